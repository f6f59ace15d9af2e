// The instance-selection filter behind the object forms of the conditions:
// tests every instance of A in scope (alone or against every instance of B in
// scope) and rebuilds A's selection in place from those that passed.
#pragma once

#include <cstdint>
#include <optional>

#include "frame/frame_query.h"
#include "host/records.h"

namespace tier::conditions {

using host::ObjectParam;
using host::RunData;

// A fixed-value test: nonzero when the candidate passes against the partner
// (-1 when the filter runs without B). Tests only read the host's records.
using InstanceTest = std::int32_t (*)(RunData& runData, std::int32_t candidate,
                                      std::int32_t partner);

// 1 when at least one instance of A passed, else 0. Writes nothing when A, or
// a given B, has no instance in scope; otherwise always writes A's
// firstSelected and selectedCount, and the stamp when something passed.
std::int32_t FilterSelection(RunData& runData, const ObjectParam& a, const ObjectParam* b,
                             InstanceTest test);

// FilterSelection(a, nullptr, CondAtBack or CondAtFront), with the same
// result and the same writes: the end node's owner is read once rather than
// once per instance (the filter writes selections only, which no end of the
// list depends on).
enum class ListEnd { kBack, kFront };
std::int32_t FilterByEnd(RunData& runData, const ObjectParam& a, ListEnd end);

// The two tests of the object forms with B: CondAbove and CondBelow.
enum class PartnerLevel { kAboveSome, kBelowSome };

// FilterSelection(a, &b, CondAbove or CondBelow), with the same result and the
// same writes, in one pass over the frame instead of one test per pair: the
// objects both walks look up are found through one sweep over slots
// 0..objectCount (frame::FixedValueIndex), and B is reduced to the one level
// that decides every test (the lowest level among B's instances for "above
// some", the highest for "below some").
std::int32_t FilterByLevel(RunData& runData, const ObjectParam& a, const ObjectParam& b,
                           PartnerLevel test);

// The same, with the lookups of a call that filters more than once: made
// here on the first need, kept for the next filter of the same call (which
// writes only selections, so every lookup still holds).
std::int32_t FilterByLevel(RunData& runData, const ObjectParam& a, const ObjectParam& b,
                           PartnerLevel test, std::optional<frame::FixedValueIndex>& index);

}  // namespace tier::conditions
