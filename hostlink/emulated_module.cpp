#include "hostlink/emulated_module.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "emulator/pe_image.h"
#include "hostlink/host_embedding.h"

namespace tier::hostlink {

using host::HostAddress;
using host::HostPtr;
using host::RunData;
using host::RunHeader;
namespace {

constexpr std::uint32_t kVersionBlock = 16, kEnglishUnitedStates = 1033;

int Table(plugin::RoutineKind kind) { return static_cast<int>(kind); }

// The object slots of the frame that `runData` belongs to.
std::uint64_t SlotsOfFrame(HostAddress runData) {
  const RunHeader* header = HostPtr<RunData>(runData)->runHeader.get();
  if (header == nullptr) return 0;
  return std::max<std::int64_t>(header->objectCount, header->objectLimit) + 1;
}

}  // namespace

EmulatedModule::EmulatedModule(const std::string& path, bool countInstructions,
                               std::uint64_t instructionBudget)
    : instructionBudget_(instructionBudget) {
  emulator::LoadOptions options =
      HostLoadOptions([this] { return routineRunning_ ? sim::SimHost::InEffect() : nullptr; });
  options.countInstructions = countInstructions;
  Result<std::unique_ptr<emulator::EmulatedDll>> loaded =
      emulator::EmulatedDll::Load(path, std::move(options));
  if (!loaded) {
    error_ = loaded.error();
    return;
  }
  dll_ = std::move(*loaded);
  const std::uint32_t getRunObjectInfos = dll_->ExportAddress("GetRunObjectInfos");
  if (getRunObjectInfos == 0) {
    error_ = path + " lacks GetRunObjectInfos";
    return;
  }
  // The descriptor is written into a buffer of the host's: here a block of
  // the library's heap, which the check lets it write.
  const std::uint32_t buffer = dll_->heap().Allocate(sizeof infos_);
  const emulator::GuestCall call = dll_->Call(getRunObjectInfos, {0, buffer});
  if (!call.fault.empty()) {
    error_ = path + ": GetRunObjectInfos failed: " + call.fault;
    return;
  }
  dll_->Read(buffer, &infos_, sizeof infos_);
  dll_->heap().Free(buffer);
  tables_[Table(plugin::RoutineKind::Condition)] = infos_.conditionRoutines;
  tables_[Table(plugin::RoutineKind::Action)] = infos_.actionRoutines;
  tables_[Table(plugin::RoutineKind::Expression)] = infos_.expressionRoutines;
  // Messages name a routine's instructions by its function, and a call of it
  // by its kind, code and display text.
  for (const plugin::RoutineInfo& row : plugin::kCatalogue) {
    const std::uint32_t address = RoutineAddress(row.kind, row.code);
    dll_->NameAddress(address, std::string(row.routineName));
    dll_->NameCall(address, std::string(plugin::KindWord(row.kind)) + " " +
                                std::to_string(row.code) + " \"" + std::string(row.displayText) +
                                "\"");
  }
}

std::uint32_t EmulatedModule::RoutineAddress(plugin::RoutineKind kind, int code) const {
  std::uint32_t address = 0;
  dll_->Read(tables_[Table(kind)] + 4 * static_cast<std::uint32_t>(code), &address, 4);
  return address;
}

emulator::GuestCall EmulatedModule::CallRoutine(plugin::RoutineKind kind, int code,
                                                HostAddress runData,
                                                std::vector<std::uint32_t> words) const {
  words.insert(words.begin(), runData);
  const plugin::RoutineInfo* row = plugin::FindRoutine(kind, static_cast<std::uint16_t>(code));
  emulator::CallRules rules;
  rules.budget =
      instructionBudget_ != 0 ? instructionBudget_ : InstructionBudget(SlotsOfFrame(runData));
  rules.handsOverResult = row != nullptr && plugin::ReturnsText(*row);  // the host's to release
  routineRunning_ = true;
  const emulator::GuestCall call = dll_->Call(RoutineAddress(kind, code), words, rules);
  routineRunning_ = false;
  return call;
}

// The call ends where the fault stopped it, after the emulator has left the
// guest: the fault reaches the caller as the call's error, never as a crash.
Result<std::uint32_t> EmulatedModule::Run(plugin::RoutineKind kind, int code, HostAddress runData,
                                          std::vector<std::uint32_t> words) const {
  lastCall_ = CallRoutine(kind, code, runData, std::move(words));
  if (!lastCall_.fault.empty()) return Error{lastCall_.fault};
  return lastCall_.result;
}

Result<std::int32_t> EmulatedModule::Condition(int code, HostAddress runData, std::int32_t first,
                                               std::int32_t second) const {
  const Result<std::uint32_t> answer =
      Run(plugin::RoutineKind::Condition, code, runData,
          {static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(second)});
  if (!answer) return Error{answer.error()};
  return static_cast<std::int32_t>(*answer);
}

Result<std::int32_t> EmulatedModule::Action(int code, HostAddress runData, std::int32_t first,
                                            std::int32_t second) const {
  const Result<std::uint32_t> answer =
      Run(plugin::RoutineKind::Action, code, runData,
          {static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(second)});
  if (!answer) return Error{answer.error()};
  return static_cast<std::int32_t>(*answer);
}

Result<std::intptr_t> EmulatedModule::Expression(int code, HostAddress runData,
                                                 std::int32_t token) const {
  const Result<std::uint32_t> answer =
      Run(plugin::RoutineKind::Expression, code, runData, {static_cast<std::uint32_t>(token)});
  if (!answer) return Error{answer.error()};
  return std::intptr_t{static_cast<std::int32_t>(*answer)};
}

Result<std::optional<std::string>> EmulatedModule::TakeText(std::intptr_t result) const {
  return dll_->TakeText(static_cast<std::uint32_t>(result));
}

std::string EmulatedModule::Version() const {
  const emulator::PeResource* block = emulator::FindResource(dll_->image(), kVersionBlock, 1);
  if (block == nullptr) return "unknown";
  const Result<emulator::VersionInfo> info = emulator::ParseVersionBlock(block->data);
  const std::string text = info ? emulator::FileVersionText(*info) : "";
  return text.empty() ? "unknown" : text;
}

std::string EmulatedModule::String(unsigned id) const {
  return emulator::ResourceString(dll_->image(), id, kEnglishUnitedStates).value_or("");
}

std::unique_ptr<PluginModule> LoadEmulatedModule(const std::string& path, bool countInstructions,
                                                 std::uint64_t instructionBudget) {
  return std::make_unique<EmulatedModule>(path, countInstructions, instructionBudget);
}

}  // namespace tier::hostlink
