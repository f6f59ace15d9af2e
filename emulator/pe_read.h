// Bounded little-endian reads for the PE reader's own files. Every read takes
// a 64-bit offset, so that "offset + width" cannot wrap however large the
// file's 32-bit values are, and gives an error value instead of reading past
// the end.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "emulator/pe_image.h"
#include "support/hex.h"
#include "support/result.h"

namespace tier::emulator::pe {

using Bytes = std::span<const std::uint8_t>;

// Whether [offset, offset + size) lies inside `bytes`.
inline bool Inside(Bytes bytes, std::uint64_t offset, std::uint64_t size) {
  return offset <= bytes.size() && size <= bytes.size() - offset;
}

// The value at `offset`; a read that does not lie wholly inside is an error
// value, never a zero.
template <typename T>
Result<T> At(Bytes bytes, std::uint64_t offset) {
  if (!Inside(bytes, offset, sizeof(T)))
    return Error{"a read of " + std::to_string(sizeof(T)) + " bytes at offset " + Hex(offset) +
                 " runs past the end of its " + std::to_string(bytes.size()) + " bytes"};
  T value;
  std::memcpy(&value, bytes.data() + offset,
              sizeof(T));  // the files and this build are little-endian
  return value;
}

// The error of a check, so that each check reads as one line.
inline Error Fail(std::string message) { return Error{std::move(message)}; }

// `text` with anything outside printable ASCII written '?', so that a message
// naming something from the file stays on one line.
std::string Printable(std::string_view text);

// The numbered resources of the resource directory at [rva, end) of the
// laid-out image, into `result.resources`.
Status ReadResources(Bytes image, std::uint64_t rva, std::uint64_t end, PeImage& result);

}  // namespace tier::emulator::pe
