// The library under test natively: the Tier.vdx that TIER_MODULE names, run
// in the CPU emulator; calls measured on the guest's stack, resources read
// from the file as the system would read them.
#include <cstdio>
#include <cstdlib>

#include "emulator/emulated_dll.h"
#include "emulator/pe_image.h"
#include "hostlink/host_embedding.h"
#include "tests/library/library_under_test.h"

namespace tier::test {
namespace {

constexpr std::uint32_t kVersionBlock = 16, kRawData = 10;

emulator::EmulatedDll& Library() {
  static const std::unique_ptr<emulator::EmulatedDll> library = [] {
    const char* path = std::getenv("TIER_MODULE");
    if (path == nullptr) {
      std::fprintf(stderr, "cannot load the library: TIER_MODULE names no library\n");
      std::abort();
    }
    Result<std::unique_ptr<emulator::EmulatedDll>> loaded =
        emulator::EmulatedDll::Load(path, hostlink::HostLoadOptions());
    if (!loaded) {
      std::fprintf(stderr, "cannot load the library: %s\n", loaded.error().c_str());
      std::abort();
    }
    return std::move(*loaded);
  }();
  return *library;
}

}  // namespace

std::uint32_t ExportByName(const char* name) { return Library().ExportAddress(name); }
std::uint32_t ExportByOrdinal(std::uint16_t ordinal) { return Library().ExportAddress(ordinal); }
bool InsideLibrary(std::uint32_t address) { return Library().InsideImage(address); }

std::vector<std::string> ExportNames() {
  std::vector<std::string> names;
  for (const emulator::PeExport& entry : Library().image().exports)
    if (!entry.name.empty()) names.push_back(entry.name);
  return names;
}

std::uint32_t LibraryWord(std::uint32_t address) {
  std::uint32_t word = 0;
  Library().Read(address, &word, 4);
  return word;
}

MeasuredCall CallAndMeasure(std::uint32_t function, const std::vector<std::uint32_t>& words) {
  // A new block that a result points at is handed over, as a text
  // expression's; the tests release it (ReleaseText).
  const emulator::GuestCall call = Library().Call(function, words, {.handsOverResult = true});
  if (!call.fault.empty()) {
    std::fprintf(stderr, "*** %s ***\n", call.fault.c_str());
    std::abort();
  }
  return {call.result, call.bytesRemoved};
}

void ReleaseText(std::uint32_t text) {
  if (const Result<std::optional<std::string>> taken = Library().TakeText(text); !taken) {
    std::fprintf(stderr, "*** %s ***\n", taken.error().c_str());
    std::abort();
  }
}

std::string LibraryString(unsigned id) {
  return emulator::ResourceString(Library().image(), id).value_or("");
}

bool StringExists(unsigned id, std::uint16_t language) {
  return emulator::ResourceString(Library().image(), id, language).has_value();
}

LibraryVersion VersionOfLibrary() {
  LibraryVersion version;
  const emulator::PeResource* block = emulator::FindResource(Library().image(), kVersionBlock, 1);
  if (block == nullptr) return version;
  const Result<emulator::VersionInfo> info = emulator::ParseVersionBlock(block->data);
  if (!info) return version;
  version.fixed = info->fixed;
  version.translations = info->translations;
  if (auto table = info->strings.find("040904E4"); table != info->strings.end())
    version.strings = table->second;
  return version;
}

std::optional<std::vector<std::uint8_t>> RawData(unsigned id, std::uint16_t language) {
  const emulator::PeResource* found =
      emulator::FindResource(Library().image(), kRawData, id, language);
  if (found == nullptr) return std::nullopt;
  return found->data;
}

}  // namespace tier::test
