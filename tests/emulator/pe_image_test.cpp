// The PE32 reader on the real Tier.vdx (when the win32 preset has built it),
// on damaged copies of it, and on small images made by hand for each refusal.
#include "emulator/pe_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "emulator/pe_read.h"
#include "plugin/catalogue.h"
#include "plugin/exports.h"
#include "plugin/version.h"

namespace tier::emulator {
namespace {

std::vector<std::uint8_t> FileBytes(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Put32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value,
           std::size_t width = 4) {
  if (offset + width <= bytes.size()) std::memcpy(bytes.data() + offset, &value, width);
}
std::uint32_t Get32(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  std::uint32_t value;
  std::memcpy(&value, bytes.data() + offset, 4);
  return value;
}

class RealDll : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    file_ = FileBytes(TIER_VDX_PATH);
    if (!file_.empty()) read_ = ReadPeImage(file_, image_);
  }
  void SetUp() override {
    if (file_.empty()) GTEST_SKIP() << "no " TIER_VDX_PATH ": build the win32 preset's Tier";
    ASSERT_TRUE(read_) << read_.error();
  }
  static inline std::vector<std::uint8_t> file_;
  static inline PeImage image_;
  static inline Status read_ = Error{"not read"};
};

TEST_F(RealDll, SectionsEntryAndTlsLieWhereALoaderNeedsThem) {
  EXPECT_EQ(image_.base, image_.preferredBase);
  EXPECT_EQ(image_.bytes.size(), image_.sizeOfImage);
  EXPECT_TRUE(std::equal(file_.begin(), file_.begin() + image_.headerBytes, image_.bytes.begin()));
  const auto text = std::find_if(image_.sections.begin(), image_.sections.end(),
                                 [](const PeSection& s) { return s.name == ".text"; });
  ASSERT_NE(text, image_.sections.end());
  EXPECT_TRUE(text->executable && text->readable && !text->writable);
  EXPECT_GE(image_.entryRva, text->rva);
  EXPECT_LT(image_.entryRva, text->rva + text->virtualSize);
  ASSERT_TRUE(image_.tls);
  EXPECT_GE(image_.tls->indexAddress, image_.base);
  EXPECT_LT(image_.tls->indexAddress, image_.base + image_.sizeOfImage);
  for (const PeExport& e : image_.exports) EXPECT_LT(e.rva - text->rva, text->virtualSize);
}

TEST_F(RealDll, ExportsAreTheHostsTableByNameAndOrdinal) {
  EXPECT_EQ(image_.exportModuleName, "Tier.vdx");
  for (const plugin::ExportInfo& row : plugin::kExports) {
    const PeExport* byName = FindExport(image_, row.name);
    ASSERT_NE(byName, nullptr) << row.name;
    EXPECT_EQ(byName->ordinal, row.ordinal) << row.name;
    EXPECT_EQ(FindExport(image_, row.ordinal), byName) << row.name;
  }
  EXPECT_EQ(image_.exports.size(), std::size(plugin::kExports));
  EXPECT_EQ(FindExport(image_, std::uint16_t{1}), nullptr);
  EXPECT_EQ(FindExport(image_, "DllMain"), nullptr);
}

TEST_F(RealDll, ImportsAreTheListedOnesEachWithItsOwnSlot) {
  std::ifstream list(TIER_SOURCE_DIR "/tests/wine/imports.txt");
  std::vector<std::string> expected, found;
  for (std::string line; std::getline(list, line);)
    if (!line.empty() && line[0] != '#') expected.push_back(line);
  std::vector<std::uint32_t> slots;
  for (const PeImport& i : image_.imports) {
    found.push_back(i.dll + " " +
                    (i.name.empty() ? "ordinal " + std::to_string(i.ordinal) : i.name));
    slots.push_back(i.slotRva);
  }
  std::sort(expected.begin(), expected.end());
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, expected);
  std::sort(slots.begin(), slots.end());
  EXPECT_EQ(std::adjacent_find(slots.begin(), slots.end()), slots.end());
}

TEST_F(RealDll, StringTableVersionBlockAndMarkerAreTheProducts) {
  for (const plugin::StringResource& s : plugin::StringTable())
    EXPECT_EQ(ResourceString(image_, s.id, 1033), std::string(s.text)) << "string " << s.id;
  // The string after the last expression's is none.
  const unsigned pastExpressions = plugin::kCatalogue.back().displayStringId + 10u;
  for (unsigned absent : {0u, 5u, 127u, 133u, 4000u, 4010u, 5160u, 5255u, 6050u, pastExpressions})
    EXPECT_EQ(ResourceString(image_, absent), std::nullopt) << "string " << absent;
  EXPECT_EQ(ResourceString(image_, 1, 1031), std::nullopt) << "no German strings";

  const PeResource* marker = FindResource(image_, 10, 200, 1033);
  ASSERT_NE(marker, nullptr);
  EXPECT_EQ(marker->data, (std::vector<std::uint8_t>{0x16, 0x25, 0x08, 0x59}));

  const PeResource* version = FindResource(image_, 16, 1);
  ASSERT_NE(version, nullptr);
  const Result<VersionInfo> parsed = ParseVersionBlock(version->data);
  ASSERT_TRUE(parsed) << parsed.error();
  const VersionInfo& info = *parsed;
  // The file and product version, most significant word first, as version.h sets them.
  const std::uint32_t high = std::uint32_t{plugin::kVersion[0]} << 16 | plugin::kVersion[1];
  const std::uint32_t low = std::uint32_t{plugin::kVersion[2]} << 16 | plugin::kVersion[3];
  const std::vector<std::uint32_t> fixed = {0xFEEF04BD, 0x10000, high, low, high, low, 0,
                                            0,          0x10001, 1,    0,   0,    0};
  EXPECT_EQ(info.fixed, fixed);
  EXPECT_EQ(FileVersionText(info), plugin::VersionText());
  EXPECT_EQ(info.translations, std::vector<std::uint32_t>{0x04E40409});
  const std::map<std::string, std::string> strings = {
      {"FileVersion", plugin::VersionText(", ")},
      {"ProductVersion", plugin::VersionText(", ")},
      {"FileDescription", "Tier Object"},
      {"InternalName", "Tier"},
      {"OriginalFilename", "TIER.VDX"},
      {"CompanyName", "Tier object authors"},
      {"LegalCopyright", std::string(plugin::StringText(130))},
      {"Comments", ""},
      {"LegalTrademarks", ""},
      {"PrivateBuild", ""},
      {"ProductName", ""},
      {"SpecialBuild", ""}};
  EXPECT_EQ(info.strings,
            (std::map<std::string, std::map<std::string, std::string>>{{"040904E4", strings}}));
}

TEST_F(RealDll, RebaseMovesEveryFixupByTheDeltaAndNothingElse) {
  PeImage moved = image_;
  Status moving = Rebase(moved, 0x10000000);
  ASSERT_TRUE(moving) << moving.error();
  const std::uint32_t delta = 0x10000000 - image_.base;
  ASSERT_FALSE(image_.relocations.empty());
  std::vector<bool> fixup(image_.bytes.size());
  for (std::uint32_t rva : image_.relocations) {
    EXPECT_EQ(Get32(moved.bytes, rva), Get32(image_.bytes, rva) + delta) << std::hex << rva;
    std::fill_n(fixup.begin() + rva, 4, true);
  }
  for (std::size_t i = 0; i < fixup.size(); ++i) {
    ASSERT_TRUE(fixup[i] || moved.bytes[i] == image_.bytes[i]) << "byte " << std::hex << i;
  }
  EXPECT_EQ(moved.tls->indexAddress, image_.tls->indexAddress + delta);
  EXPECT_EQ(moved.tls->rawDataStart, image_.tls->rawDataStart + delta);

  moving = Rebase(moved, image_.preferredBase);
  ASSERT_TRUE(moving) << moving.error();
  EXPECT_EQ(moved.bytes, image_.bytes);
  EXPECT_FALSE(Rebase(moved, 0x10001000)) << "not on a 64 KiB boundary";
  EXPECT_FALSE(Rebase(moved, 0xFFFF0000)) << "no room below 4 GiB";
  moved.relocations.clear();
  EXPECT_TRUE(Rebase(moved, image_.base)) << "staying put needs no relocations";
  moving = Rebase(moved, 0x10000000);
  ASSERT_FALSE(moving);
  EXPECT_NE(moving.error().find("no base relocations"), std::string::npos) << moving.error();
}

// Reads `file`: a variant that reads must leave an image the other functions
// can use; one that does not must say why in one line. Counts the refusals.
void ReadOrRefuseInOneLine(const std::vector<std::uint8_t>& file, const std::string& variant,
                           int& refusals) {
  static PeImage image;  // one for all, as a loader that reads many files keeps one
  const Status read = ReadPeImage(file, image);
  if (read) {
    for (unsigned id : {1u, 4009u, 7070u}) (void)ResourceString(image, id);
    if (const PeResource* version = FindResource(image, 16, 1))
      (void)ParseVersionBlock(version->data);
    (void)Rebase(image, 0x10000000);
    return;
  }
  ++refusals;
  EXPECT_FALSE(read.error().empty()) << variant;
  EXPECT_EQ(read.error().find('\n'), std::string::npos) << variant << ": " << read.error();
}

TEST_F(RealDll, DamagedCopiesAreReadOrRefusedInOneLine) {
  int refusals = 0;
  for (std::size_t length = 0; length < file_.size(); length += length < 0x400 ? 1 : 61)
    ReadOrRefuseInOneLine({file_.begin(), file_.begin() + length},
                          "cut at " + std::to_string(length), refusals);
  EXPECT_EQ(refusals, 0x400 + (file_.size() - 0x400 + 60) / 61) << "every cut loses a section";

  // Extreme values over every field of the headers and every 16-bit step of
  // the sections that hold directories (all but code and its unwind tables).
  const std::uint32_t extremes[] = {0,          1,          0x7FFFFFFF,         0x80000000,
                                    0xFFFFFFFF, 0xFFFFFFF0, image_.sizeOfImage, 0x10};
  std::vector<std::pair<std::size_t, std::size_t>> ranges = {{0, image_.headerBytes}};
  const std::size_t table =
      Get32(file_, 0x3C) + 24 + (Get32(file_, Get32(file_, 0x3C) + 20) & 0xFFFF);
  for (std::size_t s = 0; s < image_.sections.size(); ++s)
    if (image_.sections[s].name != ".text" && image_.sections[s].name != ".eh_fram" &&
        Get32(file_, table + 40 * s + 16) != 0)
      ranges.emplace_back(Get32(file_, table + 40 * s + 20), Get32(file_, table + 40 * s + 16));
  refusals = 0;
  int variants = 0;
  for (const auto& [start, size] : ranges) {
    for (std::size_t offset = start; offset < start + size; offset += 2, ++variants) {
      std::vector<std::uint8_t> damaged = file_;
      const std::uint32_t value = extremes[(offset / 2) % std::size(extremes)];
      Put32(damaged, offset, value);
      ReadOrRefuseInOneLine(
          damaged, "offset " + std::to_string(offset) + " = " + std::to_string(value), refusals);
    }
  }
  EXPECT_GT(refusals, variants / 20) << "the sweep reaches the checks";

  // A few bytes at a time anywhere outside the code, from a fixed seed.
  std::uint32_t seed = 17;
  const auto next = [&] { return seed = seed * 1664525 + 1013904223; };
  for (int round = 0; round < 1500; ++round) {
    std::vector<std::uint8_t> damaged = file_;
    const auto& [start, size] = ranges[next() % ranges.size()];
    for (int flips = 1 + next() % 4; flips > 0; --flips)
      damaged[start + next() % size] = static_cast<std::uint8_t>(next() >> 24);
    ReadOrRefuseInOneLine(damaged, "round " + std::to_string(round), refusals);
  }
}

TEST_F(RealDll, DamagedVersionBlocksAreReadOrRefusedInOneLine) {
  const std::vector<std::uint8_t> block = FindResource(image_, 16, 1)->data;
  for (std::size_t offset = 0; offset < block.size(); offset += 2) {
    for (std::uint32_t value : {0u, 0xFFFFu, 6u, 0x40u}) {
      std::vector<std::uint8_t> damaged = block;
      Put32(damaged, offset, value, 2);
      if (const Result<VersionInfo> info = ParseVersionBlock(damaged); !info) {
        EXPECT_EQ(info.error().find('\n'), std::string::npos);
      }
    }
    if (const Result<VersionInfo> info = ParseVersionBlock({block.begin(), block.begin() + offset});
        !info) {
      EXPECT_FALSE(info.error().empty());
    }
  }
}

TEST(PeRead, AReadThatDoesNotLieInsideIsAnErrorNotAZero) {
  const std::vector<std::uint8_t> bytes = {1, 2, 3, 4, 5, 6};
  const pe::Bytes span(bytes);
  const Result<std::uint32_t> inside = pe::At<std::uint32_t>(span, 2);
  ASSERT_TRUE(inside);
  EXPECT_EQ(*inside, 0x06050403u);
  for (std::uint64_t offset : {3ull, 6ull, 7ull, ~0ull}) {
    const Result<std::uint32_t> outside = pe::At<std::uint32_t>(span, offset);
    ASSERT_FALSE(outside) << offset;
    EXPECT_NE(outside.error().find("runs past the end of its 6 bytes"), std::string::npos)
        << outside.error();
  }
}

// A DLL made by hand: headers in 0x200 bytes, one section at RVA 0x1000
// holding `content` from file offset 0x200; base 0x10000000.
constexpr std::size_t kCoff = 0x44, kOptional = 0x58, kSection = 0x138;
constexpr std::size_t Directory(int index) { return kOptional + 96 + 8 * index; }

std::vector<std::uint8_t> HandMadeDll(std::vector<std::uint8_t> content) {
  content.resize((content.size() + 0x1FF) & ~0x1FFu);
  std::vector<std::uint8_t> file(0x200 + content.size());
  std::copy(content.begin(), content.end(), file.begin() + 0x200);
  file[0] = 'M', file[1] = 'Z';
  Put32(file, 0x3C, 0x40);
  Put32(file, 0x40, 0x4550);
  Put32(file, kCoff, 0x14C, 2);
  Put32(file, kCoff + 2, 1, 2);
  Put32(file, kCoff + 16, 96 + 8 * 16, 2);
  Put32(file, kCoff + 18, 0x2102, 2);  // DLL, 32-bit, executable
  Put32(file, kOptional, 0x10B, 2);
  Put32(file, kOptional + 28, 0x10000000);
  Put32(file, kOptional + 56, 0x1000 + ((content.size() + 0xFFF) & ~0xFFFu));
  Put32(file, kOptional + 60, 0x200);
  Put32(file, kOptional + 92, 16);
  std::memcpy(file.data() + kSection, ".data", 5);
  Put32(file, kSection + 8, content.size());
  Put32(file, kSection + 12, 0x1000);
  Put32(file, kSection + 16, content.size());
  Put32(file, kSection + 20, 0x200);
  Put32(file, kSection + 36, 0xC0000040);
  return file;
}

std::string Refusal(const std::vector<std::uint8_t>& file) {
  PeImage image;
  const Status read = ReadPeImage(file, image);
  return read ? "read" : read.error();
}

TEST(HandMadeImage, EachWrongHeaderIsRefusedByName) {
  const std::vector<std::uint8_t> dll = HandMadeDll(std::vector<std::uint8_t>(0x100));
  EXPECT_EQ(Refusal(dll), "read");
  std::vector<std::uint8_t> wrong = dll;
  Put32(wrong, kCoff, 0x8664, 2);
  EXPECT_EQ(Refusal(wrong), "not a 32-bit x86 DLL: machine 0x8664");
  wrong = dll;
  Put32(wrong, kCoff + 18, 0x0102, 2);
  EXPECT_EQ(Refusal(wrong), "not a 32-bit x86 DLL: a program, not a DLL");
  wrong = dll;
  Put32(wrong, kOptional, 0x20B, 2);
  EXPECT_EQ(Refusal(wrong),
            "not a 32-bit x86 DLL: optional header magic 0x20B (PE32+, a 64-bit image)");
  wrong = dll;
  Put32(wrong, kSection + 20, 0x400);
  EXPECT_EQ(Refusal(wrong), "section .data lies outside the file");
  wrong = dll;
  Put32(wrong, Directory(1), 0x1F00), Put32(wrong, Directory(1) + 4, 0x200);
  EXPECT_EQ(Refusal(wrong), "the import directory lies outside the image");
  wrong = dll;
  Put32(wrong, Directory(5), 0x1000), Put32(wrong, Directory(5) + 4, 12);
  Put32(wrong, 0x200, 0x1000), Put32(wrong, 0x204, 12), Put32(wrong, 0x208, 0xA010, 2);
  EXPECT_EQ(Refusal(wrong), "base relocation type 10 (DIR64) at RVA 0x1010 is not supported");
}

TEST(HandMadeImage, ImportsWithoutALookupTableAreReadFromTheAddressTable) {
  std::vector<std::uint8_t> content(0x200);
  Put32(content, 0x0C, 0x1100);                                    // DLL name
  Put32(content, 0x10, 0x1080);                                    // address table; no lookup table
  Put32(content, 0x80, 0x1120), Put32(content, 0x84, 0x80000007);  // by name, by ordinal
  std::memcpy(content.data() + 0x100, "HOST.dll", 8);
  std::memcpy(content.data() + 0x122, "Refresh", 7);  // after a 16-bit hint
  std::vector<std::uint8_t> file = HandMadeDll(content);
  Put32(file, Directory(1), 0x1000), Put32(file, Directory(1) + 4, 40);
  PeImage image;
  const Status read = ReadPeImage(file, image);
  ASSERT_TRUE(read) << read.error();
  ASSERT_EQ(image.imports.size(), 2u);
  EXPECT_EQ(image.imports[0].dll + image.imports[0].name, "HOST.dllRefresh");
  EXPECT_EQ(image.imports[0].slotRva, 0x1080u);
  EXPECT_EQ(image.imports[1].name, "");
  EXPECT_EQ(image.imports[1].ordinal, 7);
  EXPECT_EQ(image.imports[1].slotRva, 0x1084u);
}

// A resource directory at RVA 0x1000 of `size` bytes whose directories each
// hold `count` entries pointing at `targets` (from the directory's start).
std::vector<std::uint8_t> ResourceTree(std::vector<std::pair<std::size_t, std::uint32_t>> dirs,
                                       int count, std::uint32_t size) {
  std::vector<std::uint8_t> content(0x200);
  for (const auto& [offset, target] : dirs) {
    Put32(content, offset + 14, count, 2);
    for (int i = 0; i < count; ++i)
      Put32(content, offset + 16 + 8 * i, 6 + i), Put32(content, offset + 20 + 8 * i, target);
  }
  std::vector<std::uint8_t> file = HandMadeDll(content);
  Put32(file, Directory(2), 0x1000), Put32(file, Directory(2) + 4, size);
  return file;
}

TEST(HandMadeImage, ResourceTreesThatLoopGoDeepOrShareAreRefused) {
  EXPECT_EQ(Refusal(ResourceTree({{0, 0x80000000}}, 1, 0x40)),
            "resource type 6 points back into the tree");
  EXPECT_EQ(
      Refusal(ResourceTree(
          {{0, 0x80000020}, {0x20, 0x80000040}, {0x40, 0x80000060}, {0x60, 0x80000080}}, 1, 0xA0)),
      "resource type 6 id 6 language 6 goes deeper than type, id and language");
  // Three entries at each level all lead to the same directory: 39 entries to
  // examine where the directory has room for 20.
  EXPECT_EQ(
      Refusal(ResourceTree({{0, 0x80000030}, {0x30, 0x80000060}, {0x60, 0x90}}, 3, 0x90 + 16)),
      "the resource directories share their entries");
}

}  // namespace
}  // namespace tier::emulator
