# cmake -DPROGRAM=path/to/pelanctl -DVERSION=x.y.z -DOUTPUT=pelanctl.1 -P ManPage.cmake
# Writes the manual page of pelanctl from its own --help, so the two never disagree.
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} --help failed: ${status}")
endif()
# roff: a backslash is written \e, a line may not start with a control character, '-' is a hyphen unless escaped.
string(REPLACE "\\" "\\e" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
string(REGEX REPLACE "\n([.'])" "\n\\\\&\\1" help "${help}")
file(WRITE ${OUTPUT} ".TH PELANCTL 1 \"\" \"pelanctl ${VERSION}\" \"User Commands\"
.SH NAME
pelanctl \\- configure the ORVANE Pelan devices from the command line
.SH DESCRIPTION
.nf
${help}.fi
.SH SEE ALSO
.BR pelan (1)
is the program's window; both keep the same profiles.
")
