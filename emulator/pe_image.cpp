// A 32-bit x86 DLL read from its file into a PeImage, and moved to another base.
//
// What the reader guarantees: headers and the section table are read from the
// file and checked against it; the directories are then read from the laid-out
// image, as a loader reads them from memory, and checked against the image.
// Every read goes through the bounded helpers of pe_read.h; memory grows only
// with SizeOfImage (at most 256 MiB) and with counts capped by the bytes they
// must fit in; every walk moves forward through bounded bytes, so it ends.
#include "emulator/pe_image.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "emulator/pe_headers.h"
#include "emulator/pe_read.h"
#include "support/hex.h"

namespace tier::emulator {

using pe::At;
using pe::Bytes;
using pe::Fail;
using pe::Inside;
using pe::Printable;

namespace {

constexpr std::uint32_t kMaxImageSize = 256u << 20;
constexpr std::uint64_t kAddressSpace = 1ull << 32;
constexpr std::uint32_t kBaseAlignment = 0x10000;  // a loader places images on 64 KiB boundaries
constexpr std::uint16_t kMachineI386 = 0x14C;
constexpr std::uint16_t kExecutableImage = 0x0002, kDll = 0x2000;
constexpr std::uint16_t kMagicPe32 = 0x10B, kMagicPe32Plus = 0x20B;
constexpr std::uint32_t kExecute = 0x20000000, kRead = 0x40000000, kWrite = 0x80000000;
constexpr std::uint16_t kMaxSections = 96;  // the most a Windows loader accepts
constexpr std::size_t kMaxNameLength = 1024;
// Far above any real DLL; it keeps a table that many descriptors share from
// multiplying into millions of entries.
constexpr std::size_t kMaxImports = 16384;
constexpr std::uint32_t kMaxExportNames = 16384;

constexpr int kDirectorySlots = 16;

// What the headers say beyond what PeImage keeps.
struct Headers {
  std::uint64_t sectionTable = 0;
  std::uint16_t sectionCount = 0;
  std::uint32_t directoryRva[kDirectorySlots] = {};
  std::uint32_t directorySize[kDirectorySlots] = {};
};

Status ReadHeaders(Bytes file, PeImage& image, Headers& headers) {
  const std::string notDll = "not a 32-bit x86 DLL: ";
  const auto mz = At<std::uint16_t>(file, 0);
  if (!mz || *mz != 0x5A4D) return Fail(notDll + "no MZ signature");
  const auto dos = At<pe::DosHeader>(file, 0);
  if (!dos) return Fail(notDll + "the DOS header is cut short");
  const auto signature = At<std::uint32_t>(file, dos->peOffset);
  if (!signature) return Fail("the PE header lies outside the file");
  if (*signature != 0x4550) return Fail(notDll + "no PE signature");

  const std::uint64_t coffAt = dos->peOffset + 4ull;
  const auto read = At<pe::CoffHeader>(file, coffAt);
  if (!read) return Fail("the COFF header lies outside the file");
  const pe::CoffHeader& coff = *read;
  headers.sectionCount = coff.sectionCount;
  if (coff.machine != kMachineI386) return Fail(notDll + "machine " + Hex(coff.machine));
  if ((coff.characteristics & kExecutableImage) == 0)
    return Fail(notDll + "not marked as an executable image");
  if ((coff.characteristics & kDll) == 0) return Fail(notDll + "a program, not a DLL");

  const std::uint64_t optionalAt = coffAt + sizeof coff;
  const std::uint16_t optionalSize = coff.optionalHeaderSize;
  const auto magic = At<std::uint16_t>(file, optionalAt);
  if (optionalSize < 2 || !magic) return Fail("the optional header lies outside the file");
  if (*magic == kMagicPe32Plus)
    return Fail(notDll + "optional header magic 0x20B (PE32+, a 64-bit image)");
  if (*magic != kMagicPe32) return Fail(notDll + "optional header magic " + Hex(*magic));
  // The fixed fields, then the data directories.
  const auto fixed = At<pe::OptionalHeader32>(file, optionalAt);
  if (optionalSize < sizeof(pe::OptionalHeader32) || !Inside(file, optionalAt, optionalSize) ||
      !fixed)
    return Fail("the optional header is cut short");
  const pe::OptionalHeader32& optional = *fixed;
  image.entryRva = optional.entryRva;
  image.preferredBase = image.base = optional.imageBase;
  image.sizeOfImage = optional.sizeOfImage;
  image.headerBytes = optional.sizeOfHeaders;
  // Slots past the sixteen defined ones mean nothing; a loader ignores them too.
  const std::uint32_t directoryCount =
      std::min<std::uint32_t>(optional.directoryCount, kDirectorySlots);
  if (sizeof optional + sizeof(pe::DataDirectory) * std::uint64_t{directoryCount} > optionalSize)
    return Fail("the data directories lie outside the optional header");
  for (std::uint32_t i = 0; i < directoryCount; ++i) {
    const auto directory =
        At<pe::DataDirectory>(file, optionalAt + sizeof optional + sizeof(pe::DataDirectory) * i);
    if (!directory) return Error{directory.error()};
    headers.directoryRva[i] = directory->rva;
    headers.directorySize[i] = directory->size;
  }

  if (image.sizeOfImage == 0 || image.sizeOfImage > kMaxImageSize)
    return Fail("SizeOfImage " + Hex(image.sizeOfImage) + " is 0 or above 256 MiB");
  if (image.base == 0 || image.base % kBaseAlignment != 0 ||
      image.base + std::uint64_t{image.sizeOfImage} > kAddressSpace)
    return Fail("image base " + Hex(image.base) +
                " is not a 64 KiB boundary with room for the image below 4 GiB");
  if (image.headerBytes > image.sizeOfImage || image.headerBytes > file.size())
    return Fail("the headers (SizeOfHeaders " + Hex(image.headerBytes) +
                ") lie outside the file or the image");
  if (headers.sectionCount > kMaxSections)
    return Fail("the file has " + std::to_string(headers.sectionCount) +
                " sections, more than a loader accepts");
  headers.sectionTable = optionalAt + optionalSize;
  if (headers.sectionTable + sizeof(pe::SectionHeader) * std::uint64_t{headers.sectionCount} >
      image.headerBytes)
    return Fail("the section table lies outside the headers");
  if (image.entryRva >= image.sizeOfImage)
    return Fail("the entry point " + Hex(image.entryRva) + " lies outside the image");
  return Ok();
}

// Reads the section table, checks each section against the file and the image,
// and lays the image out: headers, then each section's raw data at its RVA.
Status LayOut(Bytes file, const Headers& headers, PeImage& image) {
  struct RawPart {
    std::uint32_t fileOffset, rva, size;
  };
  std::vector<RawPart> parts;
  std::uint64_t previousEnd = image.headerBytes;
  for (std::uint16_t i = 0; i < headers.sectionCount; ++i) {
    const auto read =
        At<pe::SectionHeader>(file, headers.sectionTable + sizeof(pe::SectionHeader) * i);
    if (!read) return Error{read.error()};
    const pe::SectionHeader& header = *read;
    PeSection section;
    section.name.assign(header.name, std::find(header.name, header.name + 8, '\0'));
    const std::uint32_t rawSize = header.rawSize, rawOffset = header.rawOffset;
    const std::uint32_t characteristics = header.characteristics;
    section.virtualSize = header.virtualSize;
    section.rva = header.rva;
    if (section.virtualSize == 0) section.virtualSize = rawSize;
    section.readable = (characteristics & kRead) != 0;
    section.writable = (characteristics & kWrite) != 0;
    section.executable = (characteristics & kExecute) != 0;

    const std::string what = "section " + Printable(section.name);
    if (section.rva + std::uint64_t{section.virtualSize} > image.sizeOfImage)
      return Fail(what + " lies outside the image");
    if (section.rva < previousEnd)
      return Fail(what + " overlaps the headers or the section before it");
    if (rawSize != 0 && !Inside(file, rawOffset, rawSize))
      return Fail(what + " lies outside the file");
    previousEnd = section.rva + std::uint64_t{section.virtualSize};
    // Raw data past the virtual size is file alignment padding.
    parts.push_back({rawOffset, section.rva, std::min(rawSize, section.virtualSize)});
    image.sections.push_back(std::move(section));
  }

  image.bytes.assign(image.sizeOfImage, 0);
  std::copy_n(file.data(), image.headerBytes, image.bytes.data());
  for (const RawPart& part : parts)
    std::copy_n(file.data() + part.fileOffset, part.size, image.bytes.data() + part.rva);
  return Ok();
}

// The zero-terminated name at `rva` of the image: printable ASCII, not empty,
// at most kMaxNameLength characters. `what` names it in a message.
Result<std::string> ReadName(Bytes image, std::uint64_t rva, const std::string& what) {
  std::string name;
  for (std::uint64_t at = rva;; ++at) {
    const auto c = At<std::uint8_t>(image, at);
    if (!c) return Fail(what + " runs past the end of the image");
    if (*c == 0) break;
    if (*c < 0x20 || *c > 0x7E) return Fail(what + " holds a byte that is not printable");
    if (name.size() == kMaxNameLength)
      return Fail(what + " is longer than " + std::to_string(kMaxNameLength) + " bytes");
    name.push_back(static_cast<char>(*c));
  }
  if (name.empty()) return Fail(what + " is empty");
  return name;
}

// Relocation types by number, for the refusal of those a 32-bit image has no use for.
constexpr const char* kRelocationTypes[16] = {
    "ABSOLUTE", "HIGH", "LOW",   "HIGHLOW", "HIGHADJ", "5",  "6",  "7",  //
    "8",        "9",    "DIR64", "11",      "12",      "13", "14", "15"};

// Blocks of (page RVA, block size, 16-bit entries of type and page offset).
Status ReadRelocations(Bytes image, std::uint64_t offset, std::uint64_t end, PeImage& result) {
  while (end - offset >= sizeof(pe::RelocationBlock)) {  // fewer bytes left: padding
    const auto block = At<pe::RelocationBlock>(image, offset);
    if (!block) return Error{block.error()};
    const std::uint32_t page = block->pageRva, blockSize = block->blockSize;
    if (blockSize < sizeof(pe::RelocationBlock) || blockSize > end - offset)
      return Fail("the base relocation block at RVA " + Hex(offset) + " has size " +
                  Hex(blockSize) + ", outside the base relocation directory");
    for (std::uint64_t at = offset + sizeof(pe::RelocationBlock); at + 2 <= offset + blockSize;
         at += 2) {
      const auto entry = At<std::uint16_t>(image, at);
      if (!entry) return Error{entry.error()};
      const unsigned type = *entry >> 12;
      const std::uint64_t target = page + std::uint64_t{*entry & 0xFFFu};
      if (type == 0) continue;  // ABSOLUTE: padding
      if (type != 3)
        return Fail("base relocation type " + std::to_string(type) + " (" + kRelocationTypes[type] +
                    ") at RVA " + Hex(target) + " is not supported");
      if (!Inside(image, target, 4))
        return Fail("base relocation at RVA " + Hex(target) + " lies outside the image");
      result.relocations.push_back(static_cast<std::uint32_t>(target));
    }
    offset += blockSize;
  }
  return Ok();
}

// Descriptors of 20 bytes (lookup table, time stamp, forwarder chain, DLL name,
// address table) up to one without a name.
Status ReadImports(Bytes image, std::uint64_t directory, std::uint64_t /*end: read to the null*/,
                   PeImage& result) {
  std::vector<PeImport>& imports = result.imports;
  for (std::uint64_t at = directory;; at += sizeof(pe::ImportDescriptor)) {
    const auto descriptor = At<pe::ImportDescriptor>(image, at);
    if (!descriptor) return Fail("the import directory runs past the end of the image");
    const std::uint32_t lookupTable = descriptor->lookupTable, nameRva = descriptor->nameRva;
    const std::uint32_t addressTable = descriptor->addressTable;
    if (nameRva == 0) break;
    const Result<std::string> name = ReadName(image, nameRva, "the name of an imported DLL");
    if (!name) return Error{name.error()};
    const std::string& dll = *name;
    if (addressTable == 0) return Fail("the imports from " + dll + " have no import address table");
    // Without a lookup table the address table, still unbound, names the functions.
    const std::uint64_t table = lookupTable != 0 ? lookupTable : addressTable;
    for (std::uint64_t i = 0;; ++i) {
      const auto read = At<std::uint32_t>(image, table + 4 * i);
      if (!read)
        return Fail("the import lookup table of " + dll + " runs past the end of the image");
      const std::uint32_t entry = *read;
      if (entry == 0) break;
      PeImport import;
      import.dll = dll;
      import.slotRva = static_cast<std::uint32_t>(addressTable + 4 * i);
      if (!Inside(image, addressTable + 4 * i, 4))
        return Fail("the import address table of " + dll + " runs past the end of the image");
      if (imports.size() == kMaxImports)
        return Fail("the import directory lists more than " + std::to_string(kMaxImports) +
                    " functions");
      if ((entry & 0x80000000u) != 0) {
        import.ordinal = static_cast<std::uint16_t>(entry);
      } else {
        // After the 16-bit hint.
        Result<std::string> function =
            ReadName(image, entry + 2ull, "a function name imported from " + dll);
        if (!function) return Error{function.error()};
        import.name = std::move(*function);
      }
      imports.push_back(std::move(import));
    }
  }
  return Ok();
}

// The export directory: module name, ordinal base, the address table by
// ordinal - base, and the names each with the index of its address.
Status ReadExports(Bytes image, std::uint64_t directory, std::uint64_t directoryEnd,
                   PeImage& result) {
  const auto header = At<pe::ExportDirectory>(image, directory);
  if (directoryEnd - directory < sizeof(pe::ExportDirectory) || !header)
    return Fail("the export directory is smaller than its 40-byte header");
  const std::uint32_t moduleName = header->nameRva, base = header->ordinalBase;
  const std::uint32_t functionCount = header->functionCount, nameCount = header->nameCount;
  const std::uint32_t functions = header->functions, names = header->names;
  const std::uint32_t nameIndices = header->nameIndices;
  if (moduleName != 0) {
    Result<std::string> name = ReadName(image, moduleName, "the export directory's module name");
    if (!name) return Error{name.error()};
    result.exportModuleName = std::move(*name);
  }
  if (functionCount != 0 && base + std::uint64_t{functionCount} - 1 > 0xFFFF)
    return Fail("the export ordinals run past 65535");
  if (!Inside(image, functions, 4ull * functionCount))
    return Fail("the export address table lies outside the image");
  if (nameCount > kMaxExportNames || !Inside(image, names, 4ull * nameCount) ||
      !Inside(image, nameIndices, 2ull * nameCount))
    return Fail("the export name tables lie outside the image");

  std::vector<std::pair<std::uint32_t, std::string>> named;  // (index, name)
  for (std::uint32_t i = 0; i < nameCount; ++i) {
    const auto index = At<std::uint16_t>(image, nameIndices + 2ull * i);
    const auto nameRva = At<std::uint32_t>(image, names + 4ull * i);
    if (!index || !nameRva) return Error{!index ? index.error() : nameRva.error()};
    Result<std::string> name = ReadName(image, *nameRva, "an export name");
    if (!name) return Error{name.error()};
    if (*index >= functionCount)
      return Fail("export " + *name + " has no entry in the export address table");
    named.emplace_back(*index, std::move(*name));
  }
  std::stable_sort(named.begin(), named.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });

  auto nextName = named.begin();
  for (std::uint32_t index = 0; index < functionCount; ++index) {
    const auto read = At<std::uint32_t>(image, functions + 4ull * index);
    if (!read) return Error{read.error()};
    const std::uint32_t rva = *read;
    const auto ordinal = static_cast<std::uint16_t>(base + index);
    const auto firstName = nextName;
    while (nextName != named.end() && nextName->first == index) ++nextName;
    const std::string label =
        firstName != nextName ? firstName->second : "ordinal " + std::to_string(ordinal);
    if (rva == 0) {
      if (firstName != nextName) return Fail("export " + label + " has no address");
      continue;  // an unassigned ordinal
    }
    if (rva >= directory && rva < directoryEnd)
      return Fail("export " + label + " is forwarded to another DLL, which is not supported");
    if (rva >= image.size())
      return Fail("export " + label + " at " + Hex(rva) + " lies outside the image");
    if (firstName == nextName) result.exports.push_back({"", ordinal, rva});
    for (auto name = firstName; name != nextName; ++name)
      result.exports.push_back({name->second, ordinal, rva});
  }
  return Ok();
}

// The 24-byte PE32 TLS directory: raw data start and end, index address,
// callbacks address, zero fill. Its addresses are virtual addresses.
Status ReadTls(Bytes image, std::uint64_t directory, std::uint64_t directoryEnd, PeImage& result) {
  const auto read = At<pe::TlsDirectory32>(image, directory);
  if (directoryEnd - directory < sizeof(pe::TlsDirectory32) || !read)
    return Fail("the TLS directory is smaller than its 24 bytes");
  const pe::TlsDirectory32& header = *read;
  // Whether virtual address `va` starts `width` bytes inside the image.
  const auto inImage = [&](std::uint32_t va, std::uint64_t width) {
    return va >= result.base && Inside(image, va - result.base, width);
  };
  PeTls tls;
  tls.rawDataStart = header.rawDataStart;
  tls.rawDataEnd = header.rawDataEnd;
  tls.indexAddress = header.indexAddress;
  const std::uint32_t callbacks = header.callbacks;
  tls.zeroFill = header.zeroFill;
  if ((tls.rawDataStart != 0 || tls.rawDataEnd != 0) &&
      (!inImage(tls.rawDataStart, 0) || !inImage(tls.rawDataEnd, 0) ||
       tls.rawDataEnd < tls.rawDataStart))
    return Fail("the TLS template " + Hex(tls.rawDataStart) + ".." + Hex(tls.rawDataEnd) +
                " lies outside the image");
  if (tls.indexAddress != 0 && !inImage(tls.indexAddress, 4))
    return Fail("the TLS index address " + Hex(tls.indexAddress) + " lies outside the image");
  if (tls.zeroFill > kMaxImageSize)
    return Fail("the TLS zero fill of " + Hex(tls.zeroFill) + " bytes is above 256 MiB");
  if (callbacks != 0) {
    if (!inImage(callbacks, 4))
      return Fail("the TLS callback list " + Hex(callbacks) + " lies outside the image");
    for (std::uint64_t at = callbacks - result.base;; at += 4) {
      const auto callback = At<std::uint32_t>(image, at);
      if (!callback) return Fail("the TLS callback list runs past the end of the image");
      if (*callback == 0) break;
      if (!inImage(*callback, 1))
        return Fail("the TLS callback " + Hex(*callback) + " lies outside the image");
      tls.callbacks.push_back(*callback);
    }
  }
  result.tls = std::move(tls);
  return Ok();
}

// The directories a loader reads, each from [rva, end) of the laid-out image.
struct DirectoryReader {
  int index;
  const char* name;
  Status (*read)(Bytes image, std::uint64_t rva, std::uint64_t end, PeImage& result);
};
constexpr DirectoryReader kDirectoryReaders[] = {
    {0, "export directory", ReadExports},
    {1, "import directory", ReadImports},
    {2, "resource directory", pe::ReadResources},
    {5, "base relocation directory", ReadRelocations},
    {9, "TLS directory", ReadTls},
};

}  // namespace

namespace pe {

std::string Printable(std::string_view text) {
  std::string printable(text);
  for (char& c : printable)
    if (c < 0x20 || c > 0x7E) c = '?';
  return printable;
}

}  // namespace pe

Status ReadPeImage(const std::vector<std::uint8_t>& file, PeImage& image) {
  // The image's memory is kept for the next layout: a caller that reads many
  // files (a sweep over damaged copies) then zero-fills instead of allocating.
  std::vector<std::uint8_t> memory = std::move(image.bytes);
  image = PeImage{};
  image.bytes = std::move(memory);
  Headers headers;
  if (Status read = ReadHeaders(file, image, headers); !read) return read;
  if (Status laid = LayOut(file, headers, image); !laid) return laid;

  const Bytes bytes(image.bytes);
  for (const DirectoryReader& directory : kDirectoryReaders) {
    const std::uint32_t rva = headers.directoryRva[directory.index];
    const std::uint32_t size = headers.directorySize[directory.index];
    if (rva == 0) continue;  // absent
    if (!Inside(bytes, rva, size))
      return Fail(std::string("the ") + directory.name + " lies outside the image");
    if (Status read = directory.read(bytes, rva, std::uint64_t{rva} + size, image); !read)
      return read;
  }
  return Ok();
}

Status Rebase(PeImage& image, std::uint32_t base) {
  if (base == image.base) return Ok();
  if (base == 0 || base % kBaseAlignment != 0 ||
      base + std::uint64_t{image.bytes.size()} > kAddressSpace)
    return Fail("the image cannot lie at " + Hex(base) +
                ": not a 64 KiB boundary with room for the image below 4 GiB");
  if (image.relocations.empty())
    return Fail("the image cannot move from " + Hex(image.base) + " to " + Hex(base) +
                ": it carries no base relocations");
  const Bytes bytes(image.bytes);
  for (std::uint32_t rva : image.relocations)  // all checked before any is applied
    if (!Inside(bytes, rva, 4))
      return Fail("base relocation at RVA " + Hex(rva) + " lies outside the image");

  const std::uint32_t delta = base - image.base;  // modulo 2^32, as the CPU adds it
  for (std::uint32_t rva : image.relocations) {
    const std::uint32_t moved = *At<std::uint32_t>(bytes, rva) + delta;  // checked above
    std::memcpy(image.bytes.data() + rva, &moved, sizeof moved);
  }
  if (image.tls) {
    // Zero stands for "none" and stays zero; the zero fill is a size.
    for (std::uint32_t* address :
         {&image.tls->rawDataStart, &image.tls->rawDataEnd, &image.tls->indexAddress})
      if (*address != 0) *address += delta;
    for (std::uint32_t& callback : image.tls->callbacks) callback += delta;
  }
  image.base = base;
  return Ok();
}

const PeExport* FindExport(const PeImage& image, std::string_view name) {
  for (const PeExport& e : image.exports)
    if (!name.empty() && e.name == name) return &e;
  return nullptr;
}

const PeExport* FindExport(const PeImage& image, std::uint16_t ordinal) {
  for (const PeExport& e : image.exports)
    if (e.ordinal == ordinal) return &e;
  return nullptr;
}

}  // namespace tier::emulator
