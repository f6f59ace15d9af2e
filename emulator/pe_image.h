// A 32-bit x86 Windows DLL read from its file bytes, as a loader needs it:
// the image laid out at its preferred base, its sections with their access,
// base relocations, imports, exports, the thread-local storage directory and
// the resources a host reads (string table, version block, raw data).
//
// The reader trusts nothing in the file: every offset, size and count is
// checked against the file or the image before it is used, so a damaged or
// hostile file gives one message and never a crash or an overrun.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/result.h"

namespace tier::emulator {

struct PeSection {
  std::string name;  // up to eight characters, as stored
  std::uint32_t rva = 0;
  std::uint32_t virtualSize = 0;  // bytes in memory (0 in the file: its raw size)
  bool readable = false, writable = false, executable = false;
};

struct PeImport {
  std::string dll;            // as the file writes it, e.g. "KERNEL32.dll"
  std::string name;           // empty for an import by ordinal
  std::uint16_t ordinal = 0;  // meaningful when `name` is empty
  std::uint32_t slotRva = 0;  // the import address table entry the loader fills
};

struct PeExport {
  std::string name;  // empty for an ordinal without a name
  std::uint16_t ordinal = 0;
  std::uint32_t rva = 0;
};

// The thread-local storage directory; addresses are virtual addresses at the
// image's current base (Rebase moves them with the image).
struct PeTls {
  std::uint32_t rawDataStart = 0, rawDataEnd = 0;  // the template
  std::uint32_t indexAddress = 0;                  // where the loader writes the slot index
  std::uint32_t zeroFill = 0;
  std::vector<std::uint32_t> callbacks;  // in order, without the ending null
};

// One resource leaf with numeric type, id and language (named entries are
// left out: the host reads only numbered ones).
struct PeResource {
  std::uint32_t type = 0, id = 0, language = 0;
  std::vector<std::uint8_t> data;
};

struct PeImage {
  std::uint32_t base = 0;           // where `bytes` is laid out; the preferred base after reading
  std::uint32_t preferredBase = 0;  // from the optional header
  std::uint32_t sizeOfImage = 0;
  std::uint32_t entryRva = 0;       // 0: no entry function
  std::vector<std::uint8_t> bytes;  // sizeOfImage bytes: headers, then each section at its RVA
  std::uint32_t headerBytes = 0;    // SizeOfHeaders
  std::vector<PeSection> sections;
  std::vector<std::uint32_t> relocations;  // RVAs of 32-bit (HIGHLOW) fixups
  std::vector<PeImport> imports;
  std::string exportModuleName;   // the name the export directory gives the module
  std::vector<PeExport> exports;  // by ordinal, rising
  std::optional<PeTls> tls;
  std::vector<PeResource> resources;
};

// Reads the file's bytes into `image`, whose memory it reuses. An error is one
// line that says what is wrong ("not a 32-bit x86 DLL", "section .text lies
// outside the file", ...); `image` is then unspecified.
Status ReadPeImage(const std::vector<std::uint8_t>& file, PeImage& image);

// Lays the image out at `base` instead: applies every relocation to `bytes`
// and moves the TLS addresses. An error when the image has to move but
// carries no relocations, or a fixup lies outside the image.
Status Rebase(PeImage& image, std::uint32_t base);

const PeExport* FindExport(const PeImage& image, std::string_view name);
const PeExport* FindExport(const PeImage& image, std::uint16_t ordinal);

// The resource of this type and id; `language` 0 takes the first language.
const PeResource* FindResource(const PeImage& image, std::uint32_t type, std::uint32_t id,
                               std::uint32_t language = 0);

// String `id` of the string table (type 6, blocks of sixteen under id / 16 + 1)
// in `language` (0: any), each UTF-16 unit below 256 kept as one byte and any
// other written '?'. Nullopt when the string is absent or has length 0.
std::optional<std::string> ResourceString(const PeImage& image, unsigned id,
                                          std::uint32_t language = 0);

// A version block (resource type 16) taken apart.
struct VersionInfo {
  // VS_FIXEDFILEINFO, thirteen 32-bit words from the signature 0xFEEF04BD on.
  std::vector<std::uint32_t> fixed;
  std::vector<std::uint32_t>
      translations;  // each language in the low and code page in the high 16 bits
  // String tables by their key ("040904E4"), each value by its name.
  std::map<std::string, std::map<std::string, std::string>> strings;
};
Result<VersionInfo> ParseVersionBlock(const std::vector<std::uint8_t>& block);

// "1.0.1.0" from a fixed part's file version words; empty without one.
std::string FileVersionText(const VersionInfo& info);

}  // namespace tier::emulator
