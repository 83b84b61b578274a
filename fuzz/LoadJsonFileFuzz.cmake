pelan_fuzz_target(load_json_file_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/LoadJsonFileFuzz.cpp LIBS pelan_profile)
