# cmake -DPROGRAM=... -DARGUMENT=... -DOUTPUT=... -P DriftlineRunToFile.cmake
# Runs a freshly built program and keeps what it prints (the manual pages come from the programs).
execute_process(COMMAND "${PROGRAM}" "${ARGUMENT}" OUTPUT_FILE "${OUTPUT}.tmp" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE "${OUTPUT}.tmp")
  message(FATAL_ERROR "${PROGRAM} ${ARGUMENT} failed: ${status}")
endif()
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
