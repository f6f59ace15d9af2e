#include "hostlink/emulated_module.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "emulator/pe_image.h"
#include "hostlink/host_embedding.h"
#include "hostlink/plugin_fault.h"

namespace tier::hostlink {

using host::HostAddress;
using host::HostPtr;
using host::RunData;
using host::RunHeader;
namespace {

constexpr std::uint32_t kVersionBlock = 16, kEnglishUnitedStates = 1033;
// What the host passes, stdcall: RunData and two parameter words to a
// condition or an action, RunData and the expression token to an expression.
constexpr std::uint32_t kEventWords = 3, kExpressionWords = 2;

std::uint32_t ArgumentBytes(plugin::RoutineKind kind) {
  return 4 * (kind == plugin::RoutineKind::Expression ? kExpressionWords : kEventWords);
}

int Table(plugin::RoutineKind kind) { return static_cast<int>(kind); }

// A fault ends the call and reaches the caller as a result, never a crash.
[[noreturn]] void Stop(const std::string& what) { throw PluginFault(what); }

// The object slots of the frame that `runData` belongs to.
std::uint64_t SlotsOfFrame(HostAddress runData) {
  const RunHeader* header = HostPtr<RunData>(runData)->runHeader.get();
  if (header == nullptr) return 0;
  return std::max<std::int64_t>(header->objectCount, header->objectLimit) + 1;
}

}  // namespace

EmulatedModule::EmulatedModule(const std::string& path, bool countInstructions) {
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
  const std::uint64_t budget = InstructionBudget(SlotsOfFrame(runData));
  routineRunning_ = true;
  const emulator::GuestCall call = dll_->Call(RoutineAddress(kind, code), words, budget);
  routineRunning_ = false;
  return call;
}

std::uint32_t EmulatedModule::Run(plugin::RoutineKind kind, int code, HostAddress runData,
                                  std::vector<std::uint32_t> words) const {
  const emulator::GuestCall call = CallRoutine(kind, code, runData, std::move(words));
  lastInstructions_ = call.instructions;
  if (!call.fault.empty()) Stop(call.fault);
  const std::uint32_t expected = ArgumentBytes(kind);
  if (call.bytesRemoved != static_cast<std::int32_t>(expected))
    Stop(dll_->path() + ": " + dll_->Describe(RoutineAddress(kind, code)) + " removed " +
         std::to_string(call.bytesRemoved) + " bytes of arguments instead of " +
         std::to_string(expected));
  return call.result;
}

std::int32_t EmulatedModule::Condition(int code, HostAddress runData, std::int32_t first,
                                       std::int32_t second) const {
  return static_cast<std::int32_t>(
      Run(plugin::RoutineKind::Condition, code, runData,
          {static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(second)}));
}

std::int32_t EmulatedModule::Action(int code, HostAddress runData, std::int32_t first,
                                    std::int32_t second) const {
  return static_cast<std::int32_t>(
      Run(plugin::RoutineKind::Action, code, runData,
          {static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(second)}));
}

std::intptr_t EmulatedModule::Expression(int code, HostAddress runData, std::int32_t token) const {
  const std::uint32_t result =
      Run(plugin::RoutineKind::Expression, code, runData, {static_cast<std::uint32_t>(token)});
  return static_cast<std::int32_t>(result);
}

std::optional<std::string> EmulatedModule::TakeText(std::intptr_t result) const {
  std::string fault;
  std::optional<std::string> text = dll_->TakeText(static_cast<std::uint32_t>(result), fault);
  if (!fault.empty()) Stop(fault);
  return text;
}

std::string EmulatedModule::Version() const {
  const emulator::PeResource* block = emulator::FindResource(dll_->image(), kVersionBlock, 1);
  emulator::VersionInfo info;
  std::string error;
  if (block == nullptr || !emulator::ParseVersionBlock(block->data, info, error)) return "unknown";
  const std::string text = emulator::FileVersionText(info);
  return text.empty() ? "unknown" : text;
}

std::string EmulatedModule::String(unsigned id) const {
  return emulator::ResourceString(dll_->image(), id, kEnglishUnitedStates).value_or("");
}

std::unique_ptr<PluginModule> LoadEmulatedModule(const std::string& path, bool countInstructions) {
  return std::make_unique<EmulatedModule>(path, countInstructions);
}

}  // namespace tier::hostlink
