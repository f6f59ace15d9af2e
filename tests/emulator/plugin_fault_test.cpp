// A fault of the library in the emulator is a result of the call that the
// caller gets, never a crash: the call's outcome holds a PluginFault that
// names the library's file as it was given, and the process runs on.
#include "hostlink/plugin_fault.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

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
  const hostlink::CallOutcome stopped = hostlink::Invoke(*module, sim, call);
  ASSERT_TRUE(stopped.fault) << "the call returned";
  const std::string& what = stopped.fault->message;
  EXPECT_NE(what.find(copy.string()), std::string::npos) << what;
  EXPECT_EQ(what.find("Tier.vdx"), std::string::npos) << what;
  // The process and the other routines run on.
  const plugin::RoutineInfo& atBack = plugin::Row(plugin::ConditionCode::CondAtBack);
  call.routine = &atBack;
  call.parameters[0] = sim.FixedValue(0);
  EXPECT_EQ(hostlink::Invoke(*module, sim, call).result, 1);
  std::filesystem::remove(copy);
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Runs `program` with `arguments`, its output streams into files; its exit status.
int RunProgram(const std::string& program, std::vector<std::string> arguments,
               const std::filesystem::path& out, const std::filesystem::path& err) {
  arguments.insert(arguments.begin(), program);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (spawned != 0 || waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The host program over a library file that breaks the convention in "Send %0
// Back One": the report up to the call, then status 3 and the one message.
TEST(PluginFaultResult, TheHostProgramExitsWithStatus3AndTheMessage) {
  const char* product = std::getenv("TIER_MODULE");
  const std::filesystem::path folder =
      std::filesystem::path(testing::TempDir()) / "faulting library \xC3\xA9";
  std::filesystem::create_directories(folder);
  const std::filesystem::path library = folder / "keeps no EBX.vdx";
  std::ifstream in(product != nullptr ? product : TIER_DEFAULT_MODULE, std::ios::binary);
  std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

  // The routine's first bytes, found in the file by the code around them,
  // become "mov ebx, 0x5A5A5A5A; ret 12".
  {
    const std::unique_ptr<hostlink::PluginModule> module =
        hostlink::LoadEmulatedModule(product != nullptr ? product : TIER_DEFAULT_MODULE);
    ASSERT_TRUE(module->ok()) << module->error();
    const auto& emulated = static_cast<const hostlink::EmulatedModule&>(*module);
    constexpr std::uint32_t kBefore = 32;
    std::vector<char> around(2 * kBefore);
    emulated.dll().Read(emulated.RoutineAddress(plugin::RoutineKind::Action, 0) - kBefore,
                        around.data(), static_cast<std::uint32_t>(around.size()));
    const auto at = std::search(bytes.begin(), bytes.end(), around.begin(), around.end());
    ASSERT_NE(at, bytes.end());
    ASSERT_EQ(std::search(at + 1, bytes.end(), around.begin(), around.end()), bytes.end());
    const char planted[] = {'\xBB', 0x5A, 0x5A, 0x5A, 0x5A, '\xC2', 0x0C, 0x00};
    std::copy(std::begin(planted), std::end(planted), at + kBefore);
  }
  std::ofstream(library, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  const std::filesystem::path scene = folder / "one call.scene";
  std::ofstream(scene) << "type Sprite\nobject 0 Sprite\nobject 1 Sprite\norder 0, 1\n"
                          "call \"tirGetNumLvls(\"\ncall \"Send %0 Back One\" fv(slot 1)\n";

  const std::filesystem::path out = folder / "out.txt", err = folder / "err.txt";
  EXPECT_EQ(RunProgram(TIER_HOST_PROGRAM, {"--module", library.string(), scene.string()}, out, err),
            3);
  EXPECT_EQ(ReadAll(err), library.string() +
                              " returned from action 0 \"Send %0 Back One\" with EBX changed "
                              "(0x5A5A5A5A, was 0x0012FF40), which the caller keeps\n");
  const std::string report = ReadAll(out);
  EXPECT_NE(report.find("call 1: expression 5"), std::string::npos) << report;
  EXPECT_EQ(report.find("call 2"), std::string::npos) << report;

  // A picture asked for goes again with the run that faulted.
  const std::filesystem::path picture = folder / "one call.svg";
  EXPECT_EQ(RunProgram(TIER_HOST_PROGRAM,
                       {"--module", library.string(), "--svg", picture.string(), scene.string()},
                       out, err),
            3);
  EXPECT_FALSE(std::filesystem::exists(picture));

  // --check goes on past the scene that faulted, and exits with the worst
  // status of them.
  const std::filesystem::path good = folder / "good.scene";
  std::ofstream(good) << "type Sprite\nobject 0 Sprite\norder 0\ncall \"tirGetNumLvls(\"\n";
  std::ofstream(folder / "one call.expected") << "never reached\n";
  ASSERT_EQ(RunProgram(TIER_HOST_PROGRAM, {"--module", library.string(), good.string()},
                       folder / "good.expected", err),
            0);
  EXPECT_EQ(RunProgram(TIER_HOST_PROGRAM,
                       {"--module", library.string(), "--check", scene.string(), good.string()},
                       out, err),
            3);
  const std::string checked = ReadAll(out);
  EXPECT_NE(checked.find(good.string() + ": matches"), std::string::npos) << checked;
  EXPECT_NE(checked.find("1 of 2 scenes match"), std::string::npos) << checked;
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tier::test
