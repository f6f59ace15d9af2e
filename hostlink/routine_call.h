// One call of a routine as the host makes it, the one call that every
// program that plays the host makes (the host program, the tests, the
// fuzzer, the benchmarks): the call's host is put in effect, the parameters
// go where the routine takes them from (its two argument words, or the queue
// that GetNextParameter serves for the three-parameter conditions), an
// expression's argument is set for GetExpressionParameter, the routine runs
// (linked in, in the emulator or loaded by the system), and a text result is
// taken over and released as the host does.
//
// Around the call the host's contract is checked (hostlink/host_contract.h):
// the records are compared after it with a copy of them as it found them
// (simhost/record_watch.h), and every changed byte that lies outside the
// fields the plug-in may write is a breach (simhost/field_check.h); then the answer, the refreshes
// and the service calls are held to the contract. Writes are seen in every form of the plug-in;
// reads, and a write that puts back the value it found, only where the library runs in the CPU
// emulator, which checks each access as it happens; there a fault ends the call, and the outcome
// holds the fault (hostlink/plugin_fault.h) beside the writes found up to it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hostlink/host_contract.h"
#include "hostlink/plugin_fault.h"
#include "hostlink/plugin_module.h"
#include "plugin/catalogue.h"
#include "simhost/field_check.h"
#include "simhost/sim_host.h"

namespace tier::hostlink {

// The token the host passes to an expression unless told otherwise; the
// plug-in hands it back to GetExpressionParameter unchanged.
inline constexpr std::int32_t kExpressionToken = 0x5A17;

struct CallOptions {
  // Off only where the call itself is timed: the copy of the records, and
  // the contract, cost time linear in the frame.
  bool compareRecords = true;
  // On where the caller changes the records between calls only through the
  // simulated host's services, which note their writes in the copy (the
  // host program, the fuzzer): the records are then read in whole after the
  // call alone, and a write behind the copy's back is charged to the call
  // (simhost/record_watch.h, HostWrites::kNoted). Off for a caller that
  // writes raw bytes, as the tests do.
  bool hostWritesNoted = false;
  // Off to leave a text result with the caller, to release it.
  bool takeText = true;
  // On to let the logs of the services and refreshes gather on from earlier
  // calls; the contract reads only the call's own entries either way.
  bool keepLogs = false;
};

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

struct CallOutcome {
  // The fault that ended the call, if the module stopped it: then the
  // outcome holds nothing else but the breaches found up to the fault.
  std::optional<PluginFault> fault;
  // A condition's or an action's answer, or a number expression's.
  std::int32_t result = 0;
  // An expression's result as it came: a number or a text's address.
  std::intptr_t value = 0;
  // A text expression's text, taken over; nullopt for a null result.
  std::optional<std::string> text;
  // Writes outside the fields the plug-in may write, found after the call.
  std::vector<sim::AccessBreach> breaches;
  // The call held to the host's contract, these writes among it (when the
  // records were compared).
  ContractCheck contract;
  // No byte of the records changed since the call before this one ended,
  // neither by the host nor by this call (known when the records were
  // compared; records the host made since do not count).
  bool recordsUnchanged = false;
};

// Puts the parameters where the routine takes them from, calls it on `sim`
// and checks the call.
CallOutcome Invoke(const PluginModule& module, sim::SimHost& sim, const RoutineCall& call);

// The breaches of a call, one per line, each as "wrote 2 bytes at ...".
std::string DescribeBreaches(const std::vector<sim::AccessBreach>& breaches);

}  // namespace tier::hostlink
