// Bounded little-endian reads for the PE reader's own files. Every read takes
// a 64-bit offset, so that "offset + width" cannot wrap however large the
// file's 32-bit values are, and fails instead of reading past the end.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "emulator/pe_image.h"

namespace tier::emulator::pe {

using Bytes = std::span<const std::uint8_t>;

// Whether [offset, offset + size) lies inside `bytes`.
inline bool Inside(Bytes bytes, std::uint64_t offset, std::uint64_t size) {
  return offset <= bytes.size() && size <= bytes.size() - offset;
}

template <typename T>
bool Read(Bytes bytes, std::uint64_t offset, T& value) {
  if (!Inside(bytes, offset, sizeof(T))) return false;
  std::memcpy(&value, bytes.data() + offset,
              sizeof(T));  // the files and this build are little-endian
  return true;
}

// A value of a field that the caller has already shown to lie inside.
template <typename T>
T At(Bytes bytes, std::uint64_t offset) {
  T value{};
  Read(bytes, offset, value);
  return value;
}

// Sets `error` and fails, so that each check reads as one line.
inline bool Fail(std::string& error, std::string message) {
  error = std::move(message);
  return false;
}

// `text` with anything outside printable ASCII written '?', so that a message
// naming something from the file stays on one line.
std::string Printable(std::string_view text);

// The numbered resources of the resource directory at [rva, end) of the
// laid-out image, into `result.resources`.
bool ReadResources(Bytes image, std::uint64_t rva, std::uint64_t end, PeImage& result,
                   std::string& error);

}  // namespace tier::emulator::pe
