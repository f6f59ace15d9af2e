// A fault of the library in the emulator is a result of the call that the
// caller gets, never a crash: the call ends with a PluginFault that names the
// library's file as it was given, and the process runs on.
#include "hostlink/plugin_fault.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "hostlink/emulated_module.h"
#include "hostlink/routine_call.h"
#include "simhost/sim_host.h"
#include "tests/tier_harness.h"

namespace tier::test {
namespace {

TEST(PluginFaultResult, ALoopThatNeverEndsIsStoppedAndNamesTheFileAsGiven) {
  const char* product = std::getenv("TIER_MODULE");
  const std::filesystem::path copy = std::filesystem::path(testing::TempDir()) / "another name.vdx";
  std::filesystem::copy_file(product != nullptr ? product : TIER_DEFAULT_MODULE, copy,
                             std::filesystem::copy_options::overwrite_existing);
  const std::unique_ptr<hostlink::PluginModule> module =
      hostlink::LoadEmulatedModule(copy.string());
  ASSERT_TRUE(module->ok()) << module->error();
  const auto& emulated = static_cast<const hostlink::EmulatedModule&>(*module);
  const plugin::RoutineInfo& sendBackOne = plugin::Row(plugin::ActionCode::SendBackOne);
  const std::uint32_t routine = emulated.RoutineAddress(sendBackOne.kind, sendBackOne.code);
  ASSERT_TRUE(emulated.dll().Patch(routine, {0xEB, 0xFE}));  // jmp to itself

  sim::SimHost sim(LineOfSprites(3));
  hostlink::RoutineCall call;
  call.routine = &sendBackOne;
  call.parameters[0] = sim.FixedValue(1);
  try {
    hostlink::Invoke(*module, sim, call);
    ADD_FAILURE() << "the call returned";
  } catch (const hostlink::PluginFault& fault) {
    const std::string what = fault.what();
    EXPECT_NE(what.find(copy.string()), std::string::npos) << what;
    EXPECT_EQ(what.find("Tier.vdx"), std::string::npos) << what;
  }
  // The process and the other routines run on.
  const plugin::RoutineInfo& atBack = plugin::Row(plugin::ConditionCode::CondAtBack);
  call.routine = &atBack;
  call.parameters[0] = sim.FixedValue(0);
  EXPECT_EQ(hostlink::Invoke(*module, sim, call).result, 1);
  std::filesystem::remove(copy);
}

}  // namespace
}  // namespace tier::test
