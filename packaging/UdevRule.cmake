# Writes the udev rule of the shipped device files: cmake -DPROGRAM=pelanctl -DSOURCE=<source folder>
# -DOUTPUT=<rule file> -P UdevRule.cmake
set(ENV{PELAN_PROGRAM_DIR} ${SOURCE})
execute_process(COMMAND ${PROGRAM} udev-rule --shipped OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    file(REMOVE ${OUTPUT})
    message(FATAL_ERROR "pelanctl udev-rule failed: ${result}")
endif()
