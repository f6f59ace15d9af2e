# Writes the SHA-256 of the Tier.vdx these sources build into the line of
# docs/architecture.md that quotes it, which wine.library.DocsQuoteThisBuildsSha256
# checks ("Checking a copy").
#   cmake -DLIBRARY=Tier.vdx -DREADME=docs/architecture.md -P quote_sha.cmake
file(SHA256 ${LIBRARY} built)
file(READ ${README} readme)
if(NOT readme MATCHES "\n    ([0-9a-f]+)  Tier\\.vdx\n")
  message(FATAL_ERROR "${README} quotes no SHA-256 of Tier.vdx")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL built)
  string(REPLACE "\n    ${CMAKE_MATCH_1}  Tier.vdx\n" "\n    ${built}  Tier.vdx\n" readme "${readme}")
  file(WRITE ${README} "${readme}")
endif()
