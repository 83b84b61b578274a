pelan_fuzz_target(instance_line_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/InstanceLineFuzz.cpp LIBS pelan_platform)
