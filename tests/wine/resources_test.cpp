// The resources the host reads from Tier.vdx: the string table (in English,
// United States), the version block and the data marker.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "plugin/catalogue.h"
#include "tests/wine/tier_library.h"

namespace tier::test {
namespace {

constexpr WORD kEnglishUnitedStates = 1033;

std::string ModuleString(UINT id) {
  char buffer[4096];
  const int length = LoadStringA(TierLibrary(), id, buffer, sizeof buffer);
  return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

// Whether string `id` exists in the given language: strings live in blocks of
// sixteen, resource id = id / 16 + 1, and an absent string has length 0.
bool StringExists(UINT id, WORD language) {
  HRSRC block = FindResourceExA(TierLibrary(), reinterpret_cast<LPCSTR>(RT_STRING),
                                MAKEINTRESOURCEA(id / 16 + 1), language);
  if (block == nullptr) return false;
  const auto* words = static_cast<const WORD*>(LockResource(LoadResource(TierLibrary(), block)));
  for (UINT i = 0; i < id % 16; ++i) words += 1 + words[0];
  return words[0] != 0;
}

TEST(StringTable, HoldsEveryCatalogueStringInEnglishAndNoOther) {
  for (const plugin::StringResource& s : plugin::StringTable()) {
    EXPECT_EQ(ModuleString(s.id), s.text) << "string " << s.id;
    EXPECT_TRUE(StringExists(s.id, kEnglishUnitedStates)) << "string " << s.id;
  }
  EXPECT_EQ(ModuleString(4009),
            "Default Value to sort by for Objects with no Alterable Value ability (i.e. Counter, "
            "String)");
  EXPECT_EQ(ModuleString(131), " ");
  // The object forms share their fixed-value forms' strings: code 19 shows 5040.
  EXPECT_EQ(ModuleString(plugin::FindRoutine(plugin::RoutineKind::Action, 19)->displayStringId),
            "Bring %0 to Front");
  for (UINT absent : {0u, 5u, 127u, 133u, 4000u, 4010u, 5160u, 5255u, 6050u, 7080u})
    EXPECT_FALSE(StringExists(absent, kEnglishUnitedStates)) << "string " << absent;
}

// The version block of the library file.
class VersionBlock : public ::testing::Test {
 protected:
  void SetUp() override {
    char path[MAX_PATH];
    ASSERT_NE(GetModuleFileNameA(TierLibrary(), path, MAX_PATH), 0u);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    ASSERT_GT(size, 0u);
    block_.resize(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block_.data()));
  }

  const void* Query(const std::string& key, UINT* length) {
    void* value = nullptr;
    *length = 0;
    if (!VerQueryValueA(block_.data(), key.c_str(), &value, length)) return nullptr;
    return value;
  }

  // A value of the one string table, "" when present and empty; "<absent>"
  // when it is not there at all.
  std::string Text(const char* name) {
    UINT length = 0;
    const void* value = Query(std::string("\\StringFileInfo\\040904E4\\") + name, &length);
    if (value == nullptr) return "<absent>";
    return std::string(static_cast<const char*>(value),
                       strnlen(static_cast<const char*>(value), length));
  }

  std::vector<BYTE> block_;
};

TEST_F(VersionBlock, FixedPartTranslationAndStringsAreTheProducts) {
  UINT length = 0;
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(Query("\\", &length));
  ASSERT_NE(fixed, nullptr);
  ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);  // 1.0
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00010000u);  // .1.0
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileFlagsMask, 0u);
  EXPECT_EQ(fixed->dwFileFlags, 0u);
  EXPECT_EQ(fixed->dwFileOS, 0x10001u);
  EXPECT_EQ(fixed->dwFileType, 1u);
  EXPECT_EQ(fixed->dwFileSubtype, 0u);

  const auto* translation = static_cast<const WORD*>(Query("\\VarFileInfo\\Translation", &length));
  ASSERT_NE(translation, nullptr);
  ASSERT_EQ(length, 4u) << "one translation entry";
  EXPECT_EQ(translation[0], 0x0409);
  EXPECT_EQ(translation[1], 0x04E4);

  EXPECT_EQ(Text("FileVersion"), "1, 0, 1, 0");
  EXPECT_EQ(Text("ProductVersion"), "1, 0, 1, 0");
  EXPECT_EQ(Text("FileDescription"), "Tier Object");
  EXPECT_EQ(Text("InternalName"), "Tier");
  EXPECT_EQ(Text("OriginalFilename"), "TIER.VDX");
  EXPECT_EQ(Text("CompanyName"), "Tier object authors");
  EXPECT_EQ(Text("LegalCopyright"), plugin::StringText(130));
  for (const char* empty :
       {"Comments", "LegalTrademarks", "PrivateBuild", "ProductName", "SpecialBuild"})
    EXPECT_EQ(Text(empty), "") << empty;
}

TEST(DataMarker, IsFourBytesOfRawDataWithId200InEnglish) {
  HRSRC marker = FindResourceExA(TierLibrary(), reinterpret_cast<LPCSTR>(RT_RCDATA),
                                 MAKEINTRESOURCEA(200), kEnglishUnitedStates);
  ASSERT_NE(marker, nullptr);
  EXPECT_EQ(
      FindResourceA(TierLibrary(), MAKEINTRESOURCEA(200), reinterpret_cast<LPCSTR>(RT_RCDATA)),
      marker);
  ASSERT_EQ(SizeofResource(TierLibrary(), marker), 4u);
  const auto* bytes =
      static_cast<const unsigned char*>(LockResource(LoadResource(TierLibrary(), marker)));
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(bytes[0], 0x16);
  EXPECT_EQ(bytes[1], 0x25);
  EXPECT_EQ(bytes[2], 0x08);
  EXPECT_EQ(bytes[3], 0x59);
}

}  // namespace
}  // namespace tier::test
