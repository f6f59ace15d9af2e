// The checked-in resource script is the one the catalogue gives.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tools/resource_script.h"

namespace tier::test {
namespace {

TEST(ResourceScript, CheckedInScriptIsTheGeneratorsOutput) {
  std::ifstream file(TIER_SOURCE_DIR "/plugin/Tier.rc", std::ios::binary);
  ASSERT_TRUE(file.good()) << "plugin/Tier.rc is missing";
  std::stringstream checkedIn;
  checkedIn << file.rdbuf();
  EXPECT_EQ(checkedIn.str(), tools::ResourceScript())
      << "plugin/Tier.rc is stale: cmake --build build/native --target update_rc";
}

TEST(ResourceScript, StringsAreLiteralsOfTheirExactText) {
  const std::string script = tools::ResourceScript();
  for (const plugin::StringResource& s : plugin::StringTable()) {
    const std::string line = "\n  " + std::to_string(s.id) + ", " + tools::RcLiteral(s.text) + "\n";
    EXPECT_NE(script.find(line), std::string::npos) << "string " << s.id;
  }
  EXPECT_EQ(tools::RcLiteral("plain %0 (i.e. this)"), "\"plain %0 (i.e. this)\"");
  EXPECT_EQ(tools::RcLiteral("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(tools::RcLiteral("a\\b\tc\n"), "\"a\\\\b\\011c\\012\"");
  EXPECT_EQ(tools::RcLiteral(""), "\"\"");
}

}  // namespace
}  // namespace tier::test
