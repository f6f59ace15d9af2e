// The product library as the host meets it, reached the same way in both
// builds: loaded by the system in the Win32 build (under Wine), run in the CPU
// emulator natively (the library that TIER_MODULE names). Addresses are the
// 32-bit ones the library's own pointers hold; memory the library is to
// write is a block of the simulated host's records.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tier::test {

struct MeasuredCall {
  std::uint32_t result;       // EAX after the call
  std::int32_t bytesRemoved;  // of the arguments, by the callee
};

// The address of an export; 0 when the library has none by that name or ordinal.
std::uint32_t ExportByName(const char* name);
std::uint32_t ExportByOrdinal(std::uint16_t ordinal);
bool InsideLibrary(std::uint32_t address);
// Every name the export directory holds.
std::vector<std::string> ExportNames();
// A word of the library's own memory (its routine tables).
std::uint32_t LibraryWord(std::uint32_t address);

// Calls `function` with the words on the stack, last first, and measures how
// many bytes of them the callee removed: 4 x N for the host's convention.
MeasuredCall CallAndMeasure(std::uint32_t function, const std::vector<std::uint32_t>& words);
// Releases a text that a routine handed over, as the host does.
void ReleaseText(std::uint32_t text);

// String `id` of the string table as the host loads it; "" when absent.
std::string LibraryString(unsigned id);
// Whether string `id` exists, with a length above 0, in `language`.
bool StringExists(unsigned id, std::uint16_t language);

// The version block: its fixed part (the thirteen words from the signature
// on), its translations (language in the low, code page in the high half)
// and the values of its string table 040904E4 that are present.
struct LibraryVersion {
  std::vector<std::uint32_t> fixed;
  std::vector<std::uint32_t> translations;
  std::map<std::string, std::string> strings;
};
LibraryVersion VersionOfLibrary();

// The raw-data resource `id` in `language`; nullopt when there is none.
std::optional<std::vector<std::uint8_t>> RawData(unsigned id, std::uint16_t language);

}  // namespace tier::test
