# Writes the time that the release archive's entries carry, in seconds since
# 1970: SOURCE_DATE_EPOCH when it is set, else the commit time of the
# sources' HEAD, and nothing outside a git checkout. The file is rewritten
# only when the time changes, so that the archive is made again only then.
#   cmake -DSOURCE_DIR=... -DOUTPUT=FILE -P commit_time.cmake
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(time "$ENV{SOURCE_DATE_EPOCH}")
else()
  execute_process(COMMAND git -C ${SOURCE_DIR} log -1 --format=%ct
                  RESULT_VARIABLE status OUTPUT_VARIABLE time ERROR_QUIET
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT status STREQUAL "0")
    set(time "")
  endif()
endif()
if(NOT time MATCHES "^[0-9]*$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH must be a number of seconds, not '${time}'")
endif()
file(CONFIGURE OUTPUT ${OUTPUT} CONTENT "${time}\n")
