// The PE32 headers and directory records as the file lays them out, packed,
// with their offsets asserted. The reader copies each out of the file or the
// image through pe::Read, which checks that it lies inside first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tier::emulator::pe {

#pragma pack(push, 1)

struct DosHeader {
  std::uint16_t magic;  // "MZ"
  std::uint8_t unused[0x3A];
  std::uint32_t peOffset;  // e_lfanew: where "PE\0\0" and the COFF header start
};

struct CoffHeader {
  std::uint16_t machine;
  std::uint16_t sectionCount;
  std::uint32_t timeDateStamp;
  std::uint32_t symbolTable;
  std::uint32_t symbolCount;
  std::uint16_t optionalHeaderSize;
  std::uint16_t characteristics;
};

// The fixed part of the PE32 optional header; the data directories follow.
struct OptionalHeader32 {
  std::uint16_t magic;
  std::uint8_t linkerVersion[2];
  std::uint32_t sizeOfCode, sizeOfInitializedData, sizeOfUninitializedData;
  std::uint32_t entryRva;
  std::uint32_t baseOfCode, baseOfData;
  std::uint32_t imageBase;
  std::uint32_t sectionAlignment, fileAlignment;
  std::uint16_t versions[6];
  std::uint32_t win32Version;
  std::uint32_t sizeOfImage;
  std::uint32_t sizeOfHeaders;
  std::uint32_t checkSum;
  std::uint16_t subsystem, dllCharacteristics;
  std::uint32_t stackReserve, stackCommit, heapReserve, heapCommit;
  std::uint32_t loaderFlags;
  std::uint32_t directoryCount;
};

struct DataDirectory {
  std::uint32_t rva;
  std::uint32_t size;
};

struct SectionHeader {
  char name[8];
  std::uint32_t virtualSize;
  std::uint32_t rva;
  std::uint32_t rawSize;
  std::uint32_t rawOffset;
  std::uint32_t relocations, lineNumbers;
  std::uint16_t relocationCount, lineNumberCount;
  std::uint32_t characteristics;
};

struct RelocationBlock {
  std::uint32_t pageRva;
  std::uint32_t blockSize;  // with this header; 16-bit entries follow
};

struct ImportDescriptor {
  std::uint32_t lookupTable;
  std::uint32_t timeDateStamp;
  std::uint32_t forwarderChain;
  std::uint32_t nameRva;
  std::uint32_t addressTable;  // the IAT
};

struct ExportDirectory {
  std::uint32_t characteristics;
  std::uint32_t timeDateStamp;
  std::uint16_t majorVersion, minorVersion;
  std::uint32_t nameRva;
  std::uint32_t ordinalBase;
  std::uint32_t functionCount;
  std::uint32_t nameCount;
  std::uint32_t functions;    // RVA of the export address table
  std::uint32_t names;        // RVA of the name pointers
  std::uint32_t nameIndices;  // RVA of the 16-bit indices into the address table
};

// Its addresses are virtual addresses, not RVAs.
struct TlsDirectory32 {
  std::uint32_t rawDataStart;
  std::uint32_t rawDataEnd;
  std::uint32_t indexAddress;
  std::uint32_t callbacks;
  std::uint32_t zeroFill;
  std::uint32_t characteristics;
};

#pragma pack(pop)

static_assert(offsetof(DosHeader, peOffset) == 0x3C);
static_assert(sizeof(CoffHeader) == 20);
static_assert(offsetof(CoffHeader, optionalHeaderSize) == 16);
static_assert(offsetof(OptionalHeader32, entryRva) == 16);
static_assert(offsetof(OptionalHeader32, imageBase) == 28);
static_assert(offsetof(OptionalHeader32, sizeOfImage) == 56);
static_assert(offsetof(OptionalHeader32, sizeOfHeaders) == 60);
static_assert(offsetof(OptionalHeader32, directoryCount) == 92);
static_assert(sizeof(OptionalHeader32) == 96);
static_assert(sizeof(SectionHeader) == 40);
static_assert(offsetof(SectionHeader, characteristics) == 36);
static_assert(sizeof(ImportDescriptor) == 20);
static_assert(sizeof(ExportDirectory) == 40);
static_assert(offsetof(ExportDirectory, nameIndices) == 36);
static_assert(sizeof(TlsDirectory32) == 24);

}  // namespace tier::emulator::pe
