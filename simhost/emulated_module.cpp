#include "simhost/emulated_module.h"

#include <cstdio>
#include <cstdlib>

#include "emulator/pe_image.h"
#include "plugin/catalogue.h"

namespace tier::host {
namespace {

constexpr std::uint32_t kVersionBlock = 16, kEnglishUnitedStates = 1033;

[[noreturn]] void Stop(const std::string& what) {
  std::fflush(stdout);  // what the program wrote so far comes first
  std::fprintf(stderr, "\n*** Tier.vdx in the emulator: %s ***\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

}  // namespace

EmulatedModule::EmulatedModule(const std::string& path, const emulator::LoadOptions& options) {
  dll_ = emulator::EmulatedDll::Load(path, options, error_);
  if (dll_ == nullptr) return;
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
  tables_[0] = infos_.conditionRoutines;
  tables_[1] = infos_.actionRoutines;
  tables_[2] = infos_.expressionRoutines;
  // Routines are named in messages by their kind and code.
  for (const plugin::RoutineInfo& row : plugin::kCatalogue) {
    const int table = static_cast<int>(row.kind);
    dll_->NameAddress(RoutineAddress(table, row.code), std::string(plugin::KindWord(row.kind)) +
                                                           " " + std::to_string(row.code) + " " +
                                                           std::string(row.routineName));
  }
}

std::uint32_t EmulatedModule::RoutineAddress(int table, int code) const {
  std::uint32_t address = 0;
  dll_->Read(tables_[table] + 4 * static_cast<std::uint32_t>(code), &address, 4);
  return address;
}

std::uint32_t EmulatedModule::Run(std::uint32_t address, const std::vector<std::uint32_t>& words,
                                  int bytesTheCalleeRemoves) const {
  const emulator::GuestCall call = dll_->Call(address, words);
  lastInstructions_ = call.instructions;
  if (!call.fault.empty()) Stop(call.fault);
  if (call.bytesRemoved != bytesTheCalleeRemoves)
    Stop(dll_->Describe(address) + " removed " + std::to_string(call.bytesRemoved) +
         " bytes of arguments instead of " + std::to_string(bytesTheCalleeRemoves));
  return call.result;
}

std::int32_t EmulatedModule::Event(int table, int code, HostAddress runData, std::int32_t first,
                                   std::int32_t second) const {
  const std::vector<std::uint32_t> words = {runData, static_cast<std::uint32_t>(first),
                                            static_cast<std::uint32_t>(second)};
  return static_cast<std::int32_t>(Run(RoutineAddress(table, code), words, 12));
}

std::int32_t EmulatedModule::Condition(int code, HostAddress runData, std::int32_t first,
                                       std::int32_t second) const {
  return Event(0, code, runData, first, second);
}

std::int32_t EmulatedModule::Action(int code, HostAddress runData, std::int32_t first,
                                    std::int32_t second) const {
  return Event(1, code, runData, first, second);
}

std::intptr_t EmulatedModule::Expression(int code, HostAddress runData, std::int32_t token) const {
  const std::uint32_t result =
      Run(RoutineAddress(2, code), {runData, static_cast<std::uint32_t>(token)}, 8);
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

std::unique_ptr<PluginModule> LoadEmulatedModule(const std::string& path,
                                                 const emulator::LoadOptions& options) {
  return std::make_unique<EmulatedModule>(path, options);
}

}  // namespace tier::host
