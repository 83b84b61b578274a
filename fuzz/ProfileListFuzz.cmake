pelan_fuzz_target(profile_list_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/ProfileListFuzz.cpp LIBS pelan_profile)
