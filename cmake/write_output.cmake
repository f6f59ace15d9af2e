# Runs PROGRAM with ARGS (separated by commas) and writes its standard output
# to OUTPUT: the update targets of files that a program prints.
string(REPLACE "," ";" arguments "${ARGS}")
execute_process(COMMAND ${PROGRAM} ${arguments} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} ${ARGS} exited with ${result}")
endif()
