// The product library run in a CPU emulator inside the native build: the
// third form of the plug-in beside the linked-in code and the library the
// system loads. A fault that the emulator's checks find in a routine ends
// the call, which fails with the check's message (a PluginFault once the one
// call hands it on, hostlink/plugin_fault.h).
#pragma once

#include <memory>
#include <string>

#include "emulator/emulated_dll.h"
#include "hostlink/plugin_module.h"
#include "plugin/catalogue.h"
#include "simhost/sim_host.h"

namespace tier::hostlink {

using host::HostAddress;

// The instruction budget of one routine call in a frame of `slots` object
// slots. The worst routines, the sorts, run about 2.5 million instructions
// at 8,000 objects and grow as n log n; the budget grows linearly from a
// floor, 20 million at 8,000 slots, so that it stays several times above
// them up to frames far larger, yet stops a call that never returns within
// a second or two.
constexpr std::uint64_t kBudgetFloor = 4'000'000;
constexpr std::uint64_t kBudgetPerSlot = 2'000;
constexpr std::uint64_t InstructionBudget(std::uint64_t slots) {
  return kBudgetFloor + kBudgetPerSlot * slots;
}

class EmulatedModule final : public PluginModule {
 public:
  // `instructionBudget`: the instructions each routine call may run; 0 for
  // InstructionBudget of the frame's slots.
  EmulatedModule(const std::string& path, bool countInstructions,
                 std::uint64_t instructionBudget = 0);

  Result<std::int32_t> Condition(int code, HostAddress runData, std::int32_t first,
                                 std::int32_t second) const override;
  Result<std::int32_t> Action(int code, HostAddress runData, std::int32_t first,
                              std::int32_t second) const override;
  Result<std::intptr_t> Expression(int code, HostAddress runData,
                                   std::int32_t token) const override;
  Result<std::optional<std::string>> TakeText(std::intptr_t result) const override;
  std::string Version() const override;
  std::string String(unsigned id) const override;

  // The address of routine `code` of a kind, as the descriptor's tables give it.
  std::uint32_t RoutineAddress(plugin::RoutineKind kind, int code) const;
  // The last routine call: its instructions and deepest stack (when loaded
  // to count them) and the most heap it held.
  const emulator::GuestCall& LastCall() const { return lastCall_; }
  std::uint64_t InstructionsOfLastCall() const { return lastCall_.instructions; }
  emulator::EmulatedDll& dll() const { return *dll_; }

 private:
  // Calls routine `code` of a kind with these words, within the budget of
  // the frame that `runData` belongs to, held to the convention (a text
  // expression hands its result's block over); the fault, if any, is the
  // call's.
  emulator::GuestCall CallRoutine(plugin::RoutineKind kind, int code, HostAddress runData,
                                  std::vector<std::uint32_t> words) const;
  // Runs one call: its answer, or the fault that ended it.
  Result<std::uint32_t> Run(plugin::RoutineKind kind, int code, HostAddress runData,
                            std::vector<std::uint32_t> words) const;

  std::unique_ptr<emulator::EmulatedDll> dll_;
  std::uint32_t tables_[3] = {};  // by RoutineKind
  std::uint64_t instructionBudget_ = 0;
  mutable emulator::GuestCall lastCall_;
  // Whether a routine call runs now: its host, the one in effect, must have
  // its contract kept field by field.
  mutable bool routineRunning_ = false;
};

// The library at `path` in the emulator, embedded in the simulated host;
// `instructionBudget` as EmulatedModule takes it.
std::unique_ptr<PluginModule> LoadEmulatedModule(const std::string& path,
                                                 bool countInstructions = false,
                                                 std::uint64_t instructionBudget = 0);

}  // namespace tier::hostlink
