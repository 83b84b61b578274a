pelan_fuzz_target(sdk_packet_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/SdkPacketFuzz.cpp LIBS pelan_rgbserver)
