// The plug-in as a host finds it, in one of three forms: the code linked in
// (native), the product library loaded by the system (Win32), or the product
// library run in a CPU emulator (native, --module or TIER_MODULE). Whatever
// the form, the routines are reached only through the tables that
// GetRunObjectInfos hands out, with RunData and parameter words from a
// simulated host, so one test or scene runs against all three.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "host/records.h"
#include "simhost/host_side.h"
#include "support/result.h"

namespace tier::hostlink {

using host::EventRoutine;
using host::ExpressionRoutine;
using host::HostAddress;
using host::HostPtr;
using host::RunData;
using host::RunObjectInfos;
using sim::ResolveStatic;

class PluginModule {
 public:
  virtual ~PluginModule() = default;

  // Empty when the module loaded and handed out its descriptor.
  const std::string& error() const { return error_; }
  bool ok() const { return error_.empty(); }
  const RunObjectInfos& infos() const { return infos_; }

  // Calls routine `code` of a table, as the host does. Each fails only
  // where the module can stop a call, with the fault's message
  // (hostlink/plugin_fault.h).
  virtual Result<std::int32_t> Condition(int code, HostAddress runData, std::int32_t first,
                                         std::int32_t second) const = 0;
  virtual Result<std::int32_t> Action(int code, HostAddress runData, std::int32_t first,
                                      std::int32_t second) const = 0;
  // An expression's result: its number, or the address of its text.
  virtual Result<std::intptr_t> Expression(int code, HostAddress runData,
                                           std::int32_t token) const = 0;
  // A text result taken over as the host takes it: copied out, then released
  // on the plug-in's heap. Nullopt for a null result.
  virtual Result<std::optional<std::string>> TakeText(std::intptr_t result) const = 0;

  // The file version of the module's version block, "1.0.1.0"; "unknown"
  // without one.
  virtual std::string Version() const = 0;
  // String `id` of the module's string table; empty when it has none.
  virtual std::string String(unsigned id) const = 0;

 protected:
  std::string error_;
  RunObjectInfos infos_{};
};

// A module whose routines this process calls directly through the tables of
// its descriptor (the linked-in code; the library the system loaded), and
// whose texts lie on this process's C runtime heap.
class DirectModule : public PluginModule {
 public:
  Result<std::int32_t> Condition(int code, HostAddress runData, std::int32_t first,
                                 std::int32_t second) const override {
    return conditions_[code](HostPtr<RunData>(runData), first, second);
  }
  Result<std::int32_t> Action(int code, HostAddress runData, std::int32_t first,
                              std::int32_t second) const override {
    return actions_[code](HostPtr<RunData>(runData), first, second);
  }
  Result<std::intptr_t> Expression(int code, HostAddress runData,
                                   std::int32_t token) const override {
    return expressions_[code](HostPtr<RunData>(runData), token);
  }
  Result<std::optional<std::string>> TakeText(std::intptr_t result) const override {
    char* text = reinterpret_cast<char*>(result);
    if (text == nullptr) return std::optional<std::string>();
    std::string copy(text);
    std::free(text);  // the host releases the text on the C runtime heap
    return std::optional<std::string>(std::move(copy));
  }

 protected:
  // Finds the three tables behind the addresses of the descriptor in infos_.
  void FindTables() {
    conditions_ = static_cast<const EventRoutine*>(ResolveStatic(infos_.conditionRoutines));
    actions_ = static_cast<const EventRoutine*>(ResolveStatic(infos_.actionRoutines));
    expressions_ = static_cast<const ExpressionRoutine*>(ResolveStatic(infos_.expressionRoutines));
  }

 private:
  const EventRoutine* conditions_ = nullptr;
  const EventRoutine* actions_ = nullptr;
  const ExpressionRoutine* expressions_ = nullptr;
};

// Loads the plug-in. Natively: the linked-in code when `path` is empty, else
// the library at `path` in the emulator, where each call may run
// `instructionBudget` instructions (0: as many as the frame's size allows).
// Win32: the library at `path`, or the Tier.vdx beside the running program,
// whose calls the system runs unbounded. Check ok() before calling routines.
std::unique_ptr<PluginModule> LoadTierModule(const std::string& path = "",
                                             std::uint64_t instructionBudget = 0);

}  // namespace tier::hostlink
