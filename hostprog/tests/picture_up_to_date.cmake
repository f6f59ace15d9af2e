# Draws the scene and fails when the picture kept in docs/ differs from it.
#   cmake -DPROGRAM=... -DSCENE=... -DPICTURE=... -DOUTPUT=... [-DEMULATOR=...] -P picture_up_to_date.cmake
execute_process(COMMAND ${EMULATOR} ${PROGRAM} --svg ${OUTPUT} ${SCENE}
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "drawing ${SCENE} failed (${result}): ${err}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${PICTURE} RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "${PICTURE} is out of date with the program's drawing of ${SCENE}.\n"
                      "Redraw it with:\n  tier_host_program --svg ${PICTURE} ${SCENE}")
endif()
