# Renders the manual page as plain text with CR LF line ends: cmake -DGROFF=... -DPAGE=...
# -DOUTPUT=... -P ManualText.cmake
execute_process(
  COMMAND ${GROFF} -man -Tascii -P-cbou -rLL=78n ${PAGE}
  OUTPUT_VARIABLE text
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "groff failed on ${PAGE}")
endif()
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUTPUT} "${text}")
