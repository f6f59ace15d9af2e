// Why a call did nothing: when an action leaves the order as it was, or a
// condition is false, the frame often shows a plain reason (a fixed value no
// slot in reach holds, a type with nothing in scope, an object already at
// that end, a count or level outside the list). The host program works it out
// from the host's records alone, following the routine's own decisions, and
// never asks the plug-in. It says nothing when it cannot name a reason that
// is sure to be true.
//
// Each reason is its text and the facts it rests on, so that a test can
// check every fact against the reference model.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hostprog/scene_file.h"
#include "simhost/sim_host.h"

namespace tier::scene {

struct SelectionView;

// One statement about the frame before the call.
struct ReasonFact {
  enum class Kind {
    kStoredStandsIn,  // a fixed value of 0 stands for storedFixedValue `a`
    kNoSlotLooked,    // objectLimit `a` is negative: the actions look in no slot
    kNotWithin,       // no object in slots 0 to `b` has fixed value `a`; slot `c` beyond has it,
                      // or (c = -1) no object at all; `d` 0: bound objectLimit, 1: objectCount
    kFirstMatch,      // slot `b` is the first one up to the bound (`d` as above) with value `a`
    kNoNode,          // the object in slot `a` has no display node
    kValueOf,         // the object in slot `a` has fixed value `b`
    kNothingInScope,  // type `a` has no instance in scope
    kFirstInScope,    // type `a`'s first instance in scope is slot `b`
    kListSize,        // the display list holds `a` nodes
    kAtEnd,           // the node of slot `a` is the back-most (`b` 0) or front-most (`b` 1)
    kEndOwner,        // the back-most (`a` 0) or front-most (`a` 1) node's owner is slot `b`
    kLevel,           // the node of slot `a` has level `b`
    kAtPosition,      // the node of slot `a` is at position `b` (1 at the back)
    kSorted,     // the keys of sort action `a` (default `b`, value index `c`) stand in its order
    kScope,      // type `a`'s instances in scope are `slots` (walk order)
    kTypeChain,  // all of type `a`'s instances are `slots` (type chain order)
    kNoPair,     // no object of `slots` lies above (`a` 1) or below (`a` 0) one of `others`
    kFiltered,   // `kept` are the objects of `slots` that lie above (`a` 1) or below (`a` 0)
                 // some object of `others`
    kLastEventPass,  // eventCount is 65535
    kLeftEmpty,      // type `a`'s selection is current and empty once "%0 Above %1?" on `a`
                     // and `b` and, if that was true, "%0 Below %1?" on `a` and `c` have run
  };
  Kind kind;
  std::int64_t a = 0, b = 0, c = 0, d = 0;
  std::vector<int> slots, others, kept;
};

struct Reason {
  std::string text;  // one line, without the report's "why: "
  std::vector<ReasonFact> facts;
};

// Why `call` did nothing, read from the records of `sim` as the call left
// them, which for an action that changed no node and a condition that was
// false are the records it found, apart from the selections: `selections` are
// every type's selection before the call. Call it only after such an outcome:
// it reasons along the routine's way to doing nothing.
std::optional<Reason> WhyNothing(const sim::SimHost& sim, const SceneCall& call,
                                 const std::vector<SelectionView>& selections);

}  // namespace tier::scene
