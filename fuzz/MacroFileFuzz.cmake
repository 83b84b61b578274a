pelan_fuzz_target(macro_file_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/MacroFileFuzz.cpp LIBS pelan_macro)
