# Runs the host program on scenes that must fail and checks how: status 2 and
# the file and line for malformed input, status 1 and the first differing
# line for a report that no longer matches.
#   cmake -DPROGRAM=... -DDATA=... [-DEMULATOR=...] -P exit_status.cmake
function(expect status pattern)
  execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${ARGN}
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT "${result}" STREQUAL "${status}")
    message(FATAL_ERROR "'${ARGN}' exited with ${result}, not ${status}:\n${out}${err}")
  endif()
  if(NOT "${out}${err}" MATCHES "${pattern}")
    message(FATAL_ERROR "'${ARGN}' did not say '${pattern}':\n${out}${err}")
  endif()
endfunction()

expect(2 "malformed.scene:4: unknown object type \"Wall\"" ${DATA}/malformed.scene)
expect(2 "malformed.scene:4: unknown object type" --check ${DATA}/malformed.scene)
expect(2 "absent.scene: cannot read the file" ${DATA}/absent.scene)
expect(1 "changed.scene: the report differs from .*changed.expected at line 11\n  expected:   refreshed: none\n  actual:     refreshed: 0 1"
       --check ${DATA}/changed.scene)
expect(2 "usage:" --frobnicate)
expect(2 "usage:" --check)
