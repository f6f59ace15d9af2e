# docs/architecture.md gives the SHA-256 of the Tier.vdx that these sources
# build, so that anyone can check a copy against it ("Checking a copy").
#   cmake -DLIBRARY=Tier.vdx -DREADME=docs/architecture.md -P check_readme_sha.cmake
file(SHA256 ${LIBRARY} built)
file(READ ${README} readme)
if(NOT readme MATCHES "\n    ([0-9a-f]+)  Tier\\.vdx\n")
  message(FATAL_ERROR "${README} quotes no SHA-256 of Tier.vdx")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL built)
  message(FATAL_ERROR "${README} quotes ${CMAKE_MATCH_1} for Tier.vdx, but these sources build "
                      "${built}; after a change to the plug-in, quote the new figure")
endif()
