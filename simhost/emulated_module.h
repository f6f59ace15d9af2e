// The product library run in a CPU emulator inside the native build: the
// third form of the plug-in beside the linked-in code and the library the
// system loads. A fault that the emulator's memory check finds in a routine
// stops the program with the check's message, as a stray access of the
// linked-in code stops it natively.
#pragma once

#include <memory>
#include <string>

#include "emulator/emulated_dll.h"
#include "simhost/plugin_module.h"

namespace tier::host {

class EmulatedModule final : public PluginModule {
 public:
  EmulatedModule(const std::string& path, const emulator::LoadOptions& options);

  std::int32_t Condition(int code, HostAddress runData, std::int32_t first,
                         std::int32_t second) const override;
  std::int32_t Action(int code, HostAddress runData, std::int32_t first,
                      std::int32_t second) const override;
  std::intptr_t Expression(int code, HostAddress runData, std::int32_t token) const override;
  std::optional<std::string> TakeText(std::intptr_t result) const override;
  std::string Version() const override;
  std::string String(unsigned id) const override;

  // The address of routine `code` of a table (0: conditions, 1: actions,
  // 2: expressions), as the descriptor gives it.
  std::uint32_t RoutineAddress(int table, int code) const;
  // Instructions the last routine call ran (when loaded to count them).
  std::uint64_t InstructionsOfLastCall() const { return lastInstructions_; }
  emulator::EmulatedDll& dll() const { return *dll_; }

 private:
  // A condition (table 0) or an action (table 1).
  std::int32_t Event(int table, int code, HostAddress runData, std::int32_t first,
                     std::int32_t second) const;
  // Runs one call; a fault ends the program with its message.
  std::uint32_t Run(std::uint32_t address, const std::vector<std::uint32_t>& words,
                    int bytesTheCalleeRemoves) const;

  std::unique_ptr<emulator::EmulatedDll> dll_;
  std::uint32_t tables_[3] = {};
  mutable std::uint64_t lastInstructions_ = 0;
};

std::unique_ptr<PluginModule> LoadEmulatedModule(
    const std::string& path, const emulator::LoadOptions& options = emulator::LoadOptions());

}  // namespace tier::host
