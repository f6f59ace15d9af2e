// The checked-in resource script is the one the catalogue gives.
#include <gtest/gtest.h>

#include "tests/unit/checked_in_file.h"
#include "tools/module_definition.h"
#include "tools/resource_script.h"

namespace tier::test {
namespace {

TEST(ResourceScript, CheckedInScriptIsTheGeneratorsOutput) {
  const std::optional<std::string> checkedIn = CheckedInFile("plugin/Tier.rc");
  ASSERT_TRUE(checkedIn) << "plugin/Tier.rc is missing";
  EXPECT_EQ(*checkedIn, tools::ResourceScript())
      << "plugin/Tier.rc is stale: cmake --build build/native --target update_rc";
}

TEST(ModuleDefinition, CheckedInFileIsTheGeneratorsOutput) {
  const std::optional<std::string> checkedIn = CheckedInFile("plugin/exports.def");
  ASSERT_TRUE(checkedIn) << "plugin/exports.def is missing";
  EXPECT_EQ(*checkedIn, tools::ModuleDefinition())
      << "plugin/exports.def is stale: cmake --build build/native --target update_def";
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
