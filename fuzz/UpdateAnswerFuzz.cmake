pelan_fuzz_target(update_answer_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/UpdateAnswerFuzz.cpp LIBS pelan_update)
