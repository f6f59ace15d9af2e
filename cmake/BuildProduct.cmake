# Brings build/win32/Tier.vdx up to date through the win32 preset, configuring
# it first when it has never been configured:
#   cmake -DSOURCE_DIR=... -P cmake/BuildProduct.cmake
if(NOT EXISTS ${SOURCE_DIR}/build/win32/build.ninja)
  execute_process(COMMAND ${CMAKE_COMMAND} --preset win32 WORKING_DIRECTORY ${SOURCE_DIR}
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "the win32 preset cannot be configured (status ${status})")
  endif()
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build build/win32 --target Tier
                WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "build/win32/Tier.vdx cannot be built (status ${status})")
endif()
