# Sets the manual page MANUAL with GROFF as plain text with CR LF line
# ends, for a Windows archive, into TEXT:
#   cmake -DGROFF=<groff> -DMANUAL=<swu.1> -DTEXT=<swu.txt> -P manual_text.cmake
execute_process(COMMAND ${GROFF} -man -Tascii -P-cbu ${MANUAL}
                OUTPUT_VARIABLE text RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "groff could not set ${MANUAL}")
endif()
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${TEXT} "${text}")
