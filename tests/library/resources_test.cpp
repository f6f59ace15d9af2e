// The resources the host reads from Tier.vdx: the string table (in English,
// United States), the version block and the data marker.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/catalogue.h"
#include "plugin/version.h"
#include "tests/library/library_under_test.h"

namespace tier::test {
namespace {

constexpr std::uint16_t kEnglishUnitedStates = 1033;

TEST(StringTable, HoldsEveryCatalogueStringInEnglishAndNoOther) {
  for (const plugin::StringResource& s : plugin::StringTable()) {
    EXPECT_EQ(LibraryString(s.id), s.text) << "string " << s.id;
    EXPECT_TRUE(StringExists(s.id, kEnglishUnitedStates)) << "string " << s.id;
  }
  EXPECT_EQ(LibraryString(4009),
            "Default Value to sort by for Objects with no Alterable Value ability (i.e. Counter, "
            "String)");
  EXPECT_EQ(LibraryString(131), " ");
  // The object forms share their fixed-value forms' strings.
  EXPECT_EQ(LibraryString(plugin::Row(plugin::ActionCode::BringToFrontByObject).displayStringId),
            "Bring %0 to Front");
  // The string after the last expression's is none.
  const unsigned pastExpressions = plugin::kCatalogue.back().displayStringId + 10u;
  for (unsigned absent : {0u, 5u, 127u, 133u, 4000u, 4010u, 5160u, 5255u, 6050u, pastExpressions})
    EXPECT_FALSE(StringExists(absent, kEnglishUnitedStates)) << "string " << absent;
}

TEST(VersionBlock, FixedPartTranslationAndStringsAreTheProducts) {
  const LibraryVersion version = VersionOfLibrary();
  ASSERT_GE(version.fixed.size(), 13u);
  EXPECT_EQ(version.fixed[0], 0xFEEF04BDu);  // the signature
  const std::uint32_t high = std::uint32_t{plugin::kVersion[0]} << 16 | plugin::kVersion[1];
  const std::uint32_t low = std::uint32_t{plugin::kVersion[2]} << 16 | plugin::kVersion[3];
  EXPECT_EQ(version.fixed[2], high);  // file version
  EXPECT_EQ(version.fixed[3], low);
  EXPECT_EQ(version.fixed[4], high);  // product version
  EXPECT_EQ(version.fixed[5], low);
  EXPECT_EQ(version.fixed[6], 0u);        // file flags mask
  EXPECT_EQ(version.fixed[7], 0u);        // file flags
  EXPECT_EQ(version.fixed[8], 0x10001u);  // file OS
  EXPECT_EQ(version.fixed[9], 1u);        // file type
  EXPECT_EQ(version.fixed[10], 0u);       // file subtype

  EXPECT_EQ(version.translations, std::vector<std::uint32_t>{0x04E40409u}) << "one translation";

  const auto text = [&version](const char* name) {
    const auto found = version.strings.find(name);
    return found != version.strings.end() ? found->second : std::string("<absent>");
  };
  EXPECT_EQ(text("FileVersion"), plugin::VersionText(", "));
  EXPECT_EQ(text("ProductVersion"), plugin::VersionText(", "));
  EXPECT_EQ(text("FileDescription"), "Tier Object");
  EXPECT_EQ(text("InternalName"), "Tier");
  EXPECT_EQ(text("OriginalFilename"), "TIER.VDX");
  EXPECT_EQ(text("CompanyName"), "Tier object authors");
  EXPECT_EQ(text("LegalCopyright"), plugin::StringText(130));
  for (const char* empty :
       {"Comments", "LegalTrademarks", "PrivateBuild", "ProductName", "SpecialBuild"})
    EXPECT_EQ(text(empty), "") << empty;
}

TEST(DataMarker, IsFourBytesOfRawDataWithId200InEnglish) {
  const std::optional<std::vector<std::uint8_t>> marker = RawData(200, kEnglishUnitedStates);
  ASSERT_TRUE(marker.has_value());
  EXPECT_EQ(*marker, (std::vector<std::uint8_t>{0x16, 0x25, 0x08, 0x59}));
}

}  // namespace
}  // namespace tier::test
