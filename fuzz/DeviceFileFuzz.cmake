pelan_fuzz_target(device_file_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/DeviceFileFuzz.cpp LIBS pelan_device)
