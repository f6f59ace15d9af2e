// The host's side of each call: after a routine returns, what the host can
// tell about whether the plug-in kept their contract. An action answers 0;
// only actions redraw or reorder; a refresh names the instance's frame with
// flag 1; the services are called as often and with the words agreed; the
// records stay consistent; no byte outside the writable fields changed.
// Each breach is kept apart so that a report can put it where it belongs
// and nothing else needs to know the rules.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "plugin/catalogue.h"
#include "simhost/field_check.h"
#include "simhost/sim_host.h"

namespace tier::hostlink {

using host::HostAddress;

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
  // Every breach, one per line; empty when the contract was kept.
  std::string Describe() const;
};

// The display table as the host draws it: each node along the list, its
// level and flags, and its owner's place, value and type. A query must leave
// it as it found it.
struct TableRow {
  int slot = -1;
  std::uint16_t level = 0;
  std::uint8_t flags = 0;
  bool owned = false;  // the rest is the owner's
  std::optional<std::uint16_t> displayLevel;
  std::int32_t fixedValue = 0;
  std::int16_t x = 0, y = 0;
  HostAddress type = 0;
  // A row without owner shows nothing but that it is one.
  friend bool operator==(const TableRow& a, const TableRow& b) {
    if (a.owned != b.owned) return false;
    return !a.owned || (a.slot == b.slot && a.level == b.level && a.flags == b.flags &&
                        a.displayLevel == b.displayLevel && a.fixedValue == b.fixedValue &&
                        a.x == b.x && a.y == b.y && a.type == b.type);
  }
};
std::vector<TableRow> DisplayTable(const sim::SimHost& sim);

// Where the host's logs stood when the call began: the call's own entries
// are those after.
struct LogMarks {
  std::size_t refreshes = 0, nextParameters = 0, expressionParameters = 0;
};
LogMarks MarkLogs(const sim::SimHost& sim);

// What a call of `routine` did against the contract, read from the simulated
// host's logs since `since` and its records. `result` is its answer,
// `tableChanged` whether the display table changed (read for a condition or
// an expression), `expressionToken` the token the host passed to an
// expression; `writes` the writes outside the writable fields that the
// comparison after the call found; `records` what SimHost::CheckInvariants
// finds in the records as the call left them.
ContractCheck CheckCall(const sim::SimHost& sim, const LogMarks& since,
                        const plugin::RoutineInfo& routine, std::int32_t result, bool tableChanged,
                        std::int32_t expressionToken, const std::vector<sim::AccessBreach>& writes,
                        const std::string& records);

// The records alone, as before the first call.
ContractCheck CheckRecords(const sim::SimHost& sim);

}  // namespace tier::hostlink
