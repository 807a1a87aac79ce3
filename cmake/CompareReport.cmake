# Runs a tool in a directory and compares its whole report with a stored one, byte for byte:
# cmake -DTOOL=... "-DARGS=a;b" -DDIR=... -DEXPECTED=... -DACTUAL=... -P CompareReport.cmake
execute_process(
  COMMAND ${TOOL} ${ARGS}
  WORKING_DIRECTORY ${DIR}
  OUTPUT_FILE ${ACTUAL}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${TOOL} ended with status ${status}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${EXPECTED} ${ACTUAL}
                RESULT_VARIABLE differ)
if(differ)
  message(FATAL_ERROR "the report differs from ${EXPECTED}; see ${ACTUAL}")
endif()
