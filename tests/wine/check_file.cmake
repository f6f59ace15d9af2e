# Checks the product file as a loader and a game author meet it:
#   its size is at most MAX_BYTES;
#   its sections .data and .bss, which every process that loads it carries
#   whether it calls a routine or not, hold at most MAX_DATA_BYTES together;
#   the PE header and the export directory carry no time stamp (0), so that
#   two builds of one source give the same bytes;
#   the checksum in the optional header is the one the file's bytes give
#   (16-bit words summed with end-around carry, plus the file's length).
# Usage: cmake -DLIBRARY=Tier.vdx -DMAX_BYTES=98304 -DMAX_DATA_BYTES=8192 -P check_file.cmake
cmake_minimum_required(VERSION 3.25)

file(SIZE ${LIBRARY} size)
file(READ ${LIBRARY} hex HEX)
string(LENGTH "${hex}" hex_length)

set(failures "")
macro(fail text)
  string(APPEND failures "  ${text}\n")
endmacro()

# The little-endian number of `bytes` bytes at `offset`.
function(read_number offset bytes out)
  set(value "")
  foreach(i RANGE 1 ${bytes})
    math(EXPR at "(${offset} + ${i} - 1) * 2")
    string(SUBSTRING "${hex}" ${at} 2 byte)
    string(PREPEND value "${byte}")
  endforeach()
  math(EXPR value "0x${value}")
  set(${out} ${value} PARENT_SCOPE)
endfunction()

if(size GREATER MAX_BYTES)
  fail("${size} bytes; at most ${MAX_BYTES}")
endif()

read_number(60 4 pe)  # e_lfanew
string(SUBSTRING "${hex}" 0 4 mz)
math(EXPR signature_at "${pe} * 2")
string(SUBSTRING "${hex}" ${signature_at} 8 signature)
if(NOT mz STREQUAL "4d5a" OR NOT signature STREQUAL "50450000")
  message(FATAL_ERROR "${LIBRARY} is not a PE file")
endif()

# COFF header: TimeDateStamp at +8; optional header from +24, CheckSum at +64
# of it, the export directory's address as the first data directory at +96.
math(EXPR stamp_at "${pe} + 8")
read_number(${stamp_at} 4 stamp)
if(NOT stamp EQUAL 0)
  fail("the PE header carries the time stamp ${stamp}; expected 0")
endif()

math(EXPR checksum_at "${pe} + 24 + 64")
read_number(${checksum_at} 4 stored)

# Sum with the checksum field taken as 0, 64 words to a step.
math(EXPR field "${checksum_at} * 2")
math(EXPR after "${field} + 8")
string(SUBSTRING "${hex}" 0 ${field} head)
string(SUBSTRING "${hex}" ${after} -1 tail)
set(hex_words "${head}00000000${tail}")
if(size MATCHES "[13579]$")
  string(APPEND hex_words "00")
endif()
string(REGEX REPLACE "(..)(..)" "+0x\\2\\1" terms "${hex_words}")
string(LENGTH "${terms}" terms_length)
set(sum 0)
set(step 448)
set(at 0)
while(at LESS terms_length)
  string(SUBSTRING "${terms}" ${at} ${step} chunk)
  math(EXPR sum "${sum}${chunk}")
  math(EXPR sum "(${sum} & 0xFFFF) + (${sum} >> 16)")
  math(EXPR at "${at} + ${step}")
endwhile()
math(EXPR sum "(${sum} & 0xFFFF) + (${sum} >> 16)")
math(EXPR sum "(${sum} & 0xFFFF) + ${size}")
if(NOT stored EQUAL sum)
  math(EXPR stored_hex "${stored}" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR sum_hex "${sum}" OUTPUT_FORMAT HEXADECIMAL)
  fail("the optional header's checksum is ${stored_hex}; the file's bytes give ${sum_hex}")
endif()

# The export directory's time stamp, found through the section that holds it.
math(EXPR export_rva_at "${pe} + 24 + 96")
read_number(${export_rva_at} 4 export_rva)
math(EXPR sections_count_at "${pe} + 6")
read_number(${sections_count_at} 2 sections)
math(EXPR optional_size_at "${pe} + 20")
read_number(${optional_size_at} 2 optional_size)
math(EXPR section_at "${pe} + 24 + ${optional_size}")
set(export_stamp "")
set(data_bytes 0)
foreach(i RANGE 1 ${sections})
  math(EXPR name_at "${section_at} * 2")
  string(SUBSTRING "${hex}" ${name_at} 16 name)
  math(EXPR virtual_size_at "${section_at} + 8")
  math(EXPR virtual_address_at "${section_at} + 12")
  math(EXPR raw_at "${section_at} + 20")
  read_number(${virtual_size_at} 4 virtual_size)
  read_number(${virtual_address_at} 4 virtual_address)
  read_number(${raw_at} 4 raw)
  if(name STREQUAL "2e64617461000000" OR name STREQUAL "2e62737300000000")  # .data, .bss
    math(EXPR data_bytes "${data_bytes} + ${virtual_size}")
  endif()
  math(EXPR section_end "${virtual_address} + ${virtual_size}")
  if(export_rva GREATER_EQUAL virtual_address AND export_rva LESS section_end)
    math(EXPR export_stamp_at "${export_rva} - ${virtual_address} + ${raw} + 4")
    read_number(${export_stamp_at} 4 export_stamp)
  endif()
  math(EXPR section_at "${section_at} + 40")
endforeach()
if(export_stamp STREQUAL "")
  fail("no section holds the export directory")
elseif(NOT export_stamp EQUAL 0)
  fail("the export directory carries the time stamp ${export_stamp}; expected 0")
endif()

if(data_bytes GREATER MAX_DATA_BYTES)
  fail(".data and .bss hold ${data_bytes} bytes; at most ${MAX_DATA_BYTES}")
endif()

if(failures)
  message(FATAL_ERROR "${LIBRARY}:\n${failures}")
endif()
math(EXPR stored_hex "${stored}" OUTPUT_FORMAT HEXADECIMAL)
message(STATUS "${LIBRARY}: ${size} bytes (at most ${MAX_BYTES}), .data and .bss ${data_bytes} "
               "(at most ${MAX_DATA_BYTES}), no time stamps, checksum ${stored_hex}")
