// The host's side of each call: after a routine returns, what the host can
// tell about whether the plug-in kept their contract. An action answers 0;
// only actions redraw or reorder; a refresh names the instance's frame with
// flag 1; the services are called as often and with the words agreed; the
// records stay consistent. Each breach is kept apart so the report can put
// it where it belongs and nothing else needs to know the rules.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "plugin/catalogue.h"
#include "simhost/sim_host.h"

namespace tier::scene {

struct ContractCheck {
  std::optional<std::int32_t> actionReturned;  // an action's answer whose low 16 bits are not 0
  bool queryReordered = false;                 // a condition or expression changed the order
  bool queryRedrew = false;                    // a condition or expression asked for redraws
  std::vector<std::string> refreshBreaches;    // refreshes that named another frame or flag
  std::vector<std::string> serviceBreaches;    // services called other than agreed
  std::vector<std::string> fieldBreaches;      // bytes written outside the writable fields
  std::string records;                         // what is inconsistent in the records, if any

  bool Kept() const {
    return !actionReturned && !queryReordered && !queryRedrew && refreshBreaches.empty() &&
           serviceBreaches.empty() && fieldBreaches.empty() && records.empty();
  }
};

// What a call of `routine` did against the contract, read from the simulated
// host's logs (cleared before the call) and records. `result` is its answer,
// `tableChanged` whether the display table changed, `nextParameterCalls` how
// often it should have called GetNextParameter, and `expressionToken` the
// token the host passed to an expression; `writes` the writes outside the
// writable fields that the comparison after the call found.
ContractCheck CheckCall(const sim::SimHost& sim, const plugin::RoutineInfo& routine,
                        std::int32_t result, bool tableChanged, int nextParameterCalls,
                        std::int32_t expressionToken, const std::vector<sim::AccessBreach>& writes);

// The records alone, as before the first call.
ContractCheck CheckRecords(const sim::SimHost& sim);

}  // namespace tier::scene
