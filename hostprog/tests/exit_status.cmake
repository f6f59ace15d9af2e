# Runs the host program where it must fail, or answer at once, and checks how:
# status 2 and one line naming the file (and line) for bad input and a bad
# command line, status 1 and a diff headed by the call for a report that no
# longer matches, status 0 and standard output for --help.
#   cmake -DPROGRAM=... -DDATA=... -DSCENES=... -DWORK=DIR -DMODULE=Tier.vdx -DVERSION=a.b.c.d
#         [-DEMULATOR=...] [-DWIN32_BUILD=ON] -P exit_status.cmake
function(expect status pattern)
  cmake_parse_arguments(RUN "" "INPUT" "" ${ARGN})
  set(input)
  if(RUN_INPUT)
    set(input INPUT_FILE ${RUN_INPUT})
  endif()
  execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${RUN_UNPARSED_ARGUMENTS} ${input}
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT "${result}" STREQUAL "${status}")
    message(FATAL_ERROR "'${ARGN}' exited with ${result}, not ${status}:\n${out}${err}")
  endif()
  if(NOT "${out}${err}" MATCHES "${pattern}")
    message(FATAL_ERROR "'${ARGN}' did not say '${pattern}':\n${out}${err}")
  endif()
  # Bound the message's own words, not the paths it quotes: the checkout may
  # lie anywhere, however deep.
  set(words "${err}")
  foreach(path IN ITEMS "${deep}" "${WORK}" "${DATA}" "${SCENES}" "${MODULE}" "${PROGRAM}")
    if(NOT path STREQUAL "")
      string(REPLACE "${path}" "PATH" words "${words}")
    endif()
  endforeach()
  string(LENGTH "${words}" length)
  if(length GREATER 400)
    message(FATAL_ERROR "'${ARGN}' wrote ${length} characters to standard error:\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

# Malformed scenes and files that are no scenes.
expect(2 "malformed.scene:4: unknown object type \"Wall\"" ${DATA}/malformed.scene)
expect(2 "malformed.scene:4: unknown object type" --check ${DATA}/malformed.scene)
expect(2 "absent.scene: cannot read the file" ${DATA}/absent.scene)
expect(2 "data: is a directory" ${DATA})
expect(2 "misspelt.scene:5: no routine has the display string \"tirGetFV\"; did you mean \"tirGetFV\\(\"\\?"
       ${DATA}/misspelt.scene)
expect(2 "\\(standard input\\):4: unknown object type" - INPUT ${DATA}/malformed.scene)
# An empty scene, or empty standard input, is said to be empty.
file(WRITE ${WORK}/empty.scene "# nothing yet\n")
expect(2 "empty.scene: the scene is empty: it describes no frame and makes no call"
       ${WORK}/empty.scene)
expect(2 "empty.scene: the scene is empty" --check ${WORK}/empty.scene)
expect(2 "\\(standard input\\): the scene is empty" - INPUT ${WORK}/empty.scene)
if(EXISTS /dev/zero)
  # A device is refused. The native program sees a device; the Win32 program
  # under Wine finds no file of that name, the answer a Windows program gives.
  if(WIN32_BUILD)
    expect(2 "/dev/zero: (cannot read the file: no such file|is a device, not a file)" /dev/zero)
  else()
    expect(2 "/dev/zero: is a device, not a file" /dev/zero)
  endif()
endif()

file(MAKE_DIRECTORY ${WORK})

# A picture that cannot be drawn or written is refused before the run, so no
# report comes first; a missing folder is named.
expect(2 "/absent/x.svg: cannot write the picture: no such folder [^\n]*/absent\n$"
       --svg ${WORK}/absent/x.svg ${SCENES}/tour.scene)
if(NOT "${out}" STREQUAL "")
  message(FATAL_ERROR "--svg into a missing folder ran the scene first:\n${out}")
endif()
set(large "type Ball\n")
foreach(slot RANGE 399)
  string(APPEND large "object ${slot} Ball\norder ${slot}\n")
endforeach()
foreach(call RANGE 299)
  string(APPEND large "call \"Reverse all\"\n")
endforeach()
file(WRITE ${WORK}/large.scene "${large}")
file(REMOVE ${WORK}/large.svg)
expect(2 "--svg: the picture would draw 120400 nodes \\(at most 100000\\)"
       --svg ${WORK}/large.svg ${WORK}/large.scene)
if(NOT "${out}" STREQUAL "" OR EXISTS ${WORK}/large.svg)
  message(FATAL_ERROR "--svg of a scene too large to draw ran it or wrote the picture")
endif()

# --check of several scenes ends with a summary; a missing expected report
# comes with the command that writes it.
file(COPY ${SCENES}/tour.scene DESTINATION ${WORK})
file(REMOVE ${WORK}/tour.expected)
expect(2 "tour.expected: cannot read the file: no such file \\(the expected report\\); write it, then review it, with: tier_host_program [^\n]*tour.scene'? > [^\n]*tour.expected'?\n"
       --check ${WORK}/tour.scene)
expect(1 "tour.scene: matches [^\n]*\n.*changed.scene: the report differs"
       --check ${SCENES}/tour.scene ${DATA}/changed.scene)
if(NOT "${out}" MATCHES "\n1 of 2 scenes match\n$")
  message(FATAL_ERROR "--check of two scenes did not end with its summary:\n${out}")
endif()
# Wherever a scene lies: a deep folder with spaces and letters beyond ASCII.
string(REPEAT "deeper " 30 long)
set(deep "${WORK}/a folder with spaces — ä ö ü/${long}end")
file(MAKE_DIRECTORY "${deep}")
file(COPY ${SCENES}/tour.scene ${SCENES}/tour.expected DESTINATION "${deep}")
expect(0 "tour.scene: matches" --check "${deep}/tour.scene")
expect(0 "call 1: " --svg "${deep}/tour.svg" "${deep}/tour.scene")
if(NOT EXISTS "${deep}/tour.svg")
  message(FATAL_ERROR "--svg wrote no picture into ${deep}")
endif()
file(REMOVE "${deep}/tour.expected")
# The command that writes the missing report quotes the paths for the shell.
expect(2 "tour.expected: cannot read the file.* with: tier_host_program '[^\n]*/tour.scene' > '[^\n]*/tour.expected'\n"
       --check "${deep}/tour.scene")
expect(2 "tour.expected: cannot read" --check ${WORK}/tour.scene ${DATA}/changed.scene)
if(NOT "${out}" MATCHES "\n0 of 2 scenes match\n$")
  message(FATAL_ERROR "--check of two scenes did not end with its summary:\n${out}")
endif()

# A stale report: a diff whose hunk names the call it belongs to.
expect(1 "changed.scene: the report differs from .*changed.expected\n--- .*changed.expected\n\\+\\+\\+ report of .*changed.scene\n@@ -6,5 \\+6,8 @@ call 1: action 1 \"Bring %0 Forward One\"[^\n]*\n.*\n-  order unchanged: 0 1\n-  refreshed: none\n\\+  order: 1\\*\\+ 0\\*\\+\n"
       --check ${DATA}/changed.scene)

# The command line.
expect(0 "^usage: tier_host_program .*--check.*--list.*\\.vdx.*Exit status" --help)
if(NOT "${err}" STREQUAL "")
  message(FATAL_ERROR "--help wrote to standard error: ${err}")
endif()
expect(0 "^usage: tier_host_program" -h)
string(REPLACE "." "\\." version_pattern "${VERSION}")
expect(0 "^tier_host_program [0-9.]+ \\(this program[^\n]*\nTier.vdx ${version_pattern} \\(the plug-in[^\n]*\n$" --version)
expect(2 "unknown option '--frobnicate'" --frobnicate)
expect(2 "--check needs at least one scene" --check)
expect(2 "one scene at a time" ${DATA}/changed.scene ${DATA}/malformed.scene)
expect(2 "--svg needs a file name" --svg)
expect(2 "--list takes no scene" --list ${DATA}/changed.scene)
expect(2 "--check .* cannot read '-'" --check -)
expect(2 "--module does not apply to --routines" --module Tier.vdx --routines ${DATA}/changed.scene)
# A missing library is said to be missing in the words a missing scene gets,
# in both builds.
expect(1 "cannot load the plug-in: absent.vdx: no such file\n$" absent.vdx ${SCENES}/tour.scene)
if(NOT WIN32_BUILD)
  # Natively a library file runs in the emulator, which says why it cannot.
  expect(1 "cannot load the plug-in: .*malformed.scene: " --module ${DATA}/malformed.scene --list)
  # The version is the one the library's own version block gives.
  expect(0 "^tier_host_program [0-9.]+ \\(this program[^\n]*\nTier.vdx ${version_pattern} \\(the plug-in[^\n]*\n$" --module ${MODULE} --version)
endif()

# --list: every routine, one line each, as many as --list --json gives.
expect(0 "^{\n  \"conditions\": [0-9]+,.*\n}\n$" --list --json)
string(JSON routine_count LENGTH "${out}" routines)
expect(0 "condition   0  \"%0 At Back\\?\" .*expression  [0-9]+  \"[^\n]*\n$" --list)
string(REGEX MATCHALL "\n(condition|action|expression) +[0-9]+  " rows "${out}")
list(LENGTH rows count)
if(NOT count EQUAL routine_count)
  message(FATAL_ERROR "--list showed ${count} routines, --list --json ${routine_count}:\n${out}")
endif()

# Without a scene, one piped in is read as "-" reads it.
set(no_input)
if(EXISTS /dev/null)
  set(no_input INPUT /dev/null)
endif()
expect(2 "\\(standard input\\):4: unknown object type" INPUT ${DATA}/malformed.scene)
expect(0 "^frame: 4 nodes, .*\ncall 1: " INPUT ${SCENES}/numbering.scene)
# Where standard input brings nothing (a terminal, or a device like this one),
# the built-in demo scene runs, says so in its first line, and is reported like
# any other.
expect(0 "^\\(the built-in demo scene; to run a scene of your own: tier_host_program SCENE, [^\n]*\\)\nframe: 5 nodes, .*\ncall 1: action 7 \"Bring %0 Forward %1\" .*\ncall 13: expression 4 \"tirGetTenDesc\\$\\(\" \\(1\\)\n  text "
       ${no_input})
