// One call of a routine as the host makes it, for every program that plays
// the host (the host program, the tests, the fuzzer, the benchmarks): the
// parameters go where the routine takes them from (its two argument words,
// or the queue that GetNextParameter serves for the three-parameter
// conditions), an expression's argument is set for GetExpressionParameter,
// and a text result is taken over and released as the host does.
//
// Around the call the host's contract is checked: the records are copied
// before it and compared after it, and every changed byte that lies outside
// the fields the plug-in may write is a breach (simhost/field_check.h). This
// sees writes in every form of the plug-in; reads, and a write that puts back
// the value it found, are seen only where the library runs in the CPU
// emulator, which checks each access as it happens; there a fault ends the
// call with a PluginFault (hostlink/plugin_fault.h), which the caller gets.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hostlink/plugin_fault.h"
#include "hostlink/plugin_module.h"
#include "plugin/catalogue.h"
#include "simhost/field_check.h"
#include "simhost/sim_host.h"

namespace tier::host {

// The token the host passes to an expression unless told otherwise; the
// plug-in hands it back to GetExpressionParameter unchanged.
inline constexpr std::int32_t kExpressionToken = 0x5A17;

struct CallOptions {
  // Off only where the call itself is timed: the copy of the records costs
  // time linear in the frame.
  bool compareRecords = true;
  // Off to leave a text result with the caller, to release it.
  bool takeText = true;
};

// A routine's argument words exactly as the host passes them.
struct CallWords {
  std::int32_t first = 0, second = 0;     // a condition or an action
  std::int32_t token = kExpressionToken;  // an expression
};

struct CallOutcome {
  // A condition's or an action's answer, or a number expression's.
  std::int32_t result = 0;
  // An expression's result as it came: a number or a text's address.
  std::intptr_t value = 0;
  // A text expression's text, taken over; nullopt for a null result.
  std::optional<std::string> text;
  // Writes outside the fields the plug-in may write, found after the call.
  std::vector<sim::AccessBreach> breaches;
};

// Calls the routine with these words, the parameters it fetches from the host
// already in place: the one call that every other goes through. The logs of
// the services and refreshes gather on.
CallOutcome CallRoutine(const PluginModule& module, sim::SimHost& sim,
                        const plugin::RoutineInfo& routine, const CallWords& words,
                        const CallOptions& options = {});

struct RoutineCall {
  const plugin::RoutineInfo* routine = nullptr;
  // The parameter words in the routine's parameter order: numbers, or the
  // addresses of the records the simulated host made for objects and
  // alterable values (SimHost::ObjectParamWord and the like).
  std::array<std::int32_t, 3> parameters{};
  // What the host puts in the argument words the routine does not read.
  std::array<std::int32_t, 2> unusedWords{};
  // An expression's argument: a number, or the address of a text.
  std::int32_t expressionArgument = 0;
  std::int32_t token = kExpressionToken;
  CallOptions options;
};

// Clears the logs of the services and refreshes, puts the parameters where
// the routine takes them from, and calls it.
CallOutcome Invoke(const PluginModule& module, sim::SimHost& sim, const RoutineCall& call);

// The breaches of a call, one per line, each as "wrote 2 bytes at ...".
std::string DescribeBreaches(const std::vector<sim::AccessBreach>& breaches);

}  // namespace tier::host
