# The SHA-256 of the Tier.vdx these sources build, as docs/architecture.md
# quotes it for anyone checking a copy ("Checking a copy"). With -DWRITE=ON
# the quote is rewritten; without, a quote that differs fails.
#   cmake -DLIBRARY=Tier.vdx -DREADME=docs/architecture.md [-DWRITE=ON] -P quote_sha.cmake
file(SHA256 ${LIBRARY} built)
file(READ ${README} readme)
if(NOT readme MATCHES "\n    ([0-9a-f]+)  Tier\\.vdx\n")
  message(FATAL_ERROR "${README} quotes no SHA-256 of Tier.vdx")
endif()
if(CMAKE_MATCH_1 STREQUAL built)
  return()
endif()
if(WRITE)
  string(REPLACE "\n    ${CMAKE_MATCH_1}  Tier.vdx\n" "\n    ${built}  Tier.vdx\n" readme "${readme}")
  file(WRITE ${README} "${readme}")
else()
  message(FATAL_ERROR "${README} quotes ${CMAKE_MATCH_1} for Tier.vdx, but these sources build "
                      "${built}; after a change to the plug-in, quote the new figure "
                      "(cmake --build build/native --target regenerate)")
endif()
