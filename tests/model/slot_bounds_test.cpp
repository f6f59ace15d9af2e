// The column "Slots searched" of the routine reference, held against the
// reference model: each routine runs on frames whose named object lies in
// the last slot, once with both bounds reaching it and once with objectCount
// or objectLimit one short of it. A routine depends on a bound exactly when
// some probe then ends otherwise, and the catalogue must say so.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "model/model.h"
#include "plugin/catalogue.h"

namespace tier::model {
namespace {

using plugin::RoutineInfo;
using plugin::RoutineKind;
using plugin::SlotBound;

constexpr int kNamed = 2;  // the slot of the object that the probes name first
const std::array<std::string, 3> kTypeNames = {"Apple", "Pear", "Plum"};

// Objects in slots 0, 1 and 2, one of each type (the one in slot 2 of type 0),
// every one with a node, in the given order back to front.
Frame ProbeFrame(const std::array<int, 3>& order) {
  Frame f;
  const std::array<int, 3> typeOfSlot = {1, 2, 0};
  for (const std::string& name : kTypeNames) f.types.push_back({.name = name});
  f.eventCount = 7;
  f.slots.resize(3);
  for (int slot = 0; slot < 3; ++slot) {
    Object& o = f.slots[slot];
    o.present = true;
    o.number = static_cast<std::int16_t>(slot);
    o.creationCount = 1;
    o.type = typeOfSlot[slot];
    o.x = static_cast<std::int16_t>(10 * slot);
    o.y = static_cast<std::int16_t>(5 * slot);
    o.hasValues = true;
    o.values[0] = slot;
    o.hasDisplayBlock = true;
    Type& t = f.types[o.type];
    t.firstObject = o.number;
    t.typeObjectCount = 1;
    t.selectionStamp = 6;  // not current: every instance is in scope
  }
  for (int position = 0; position < 3; ++position) {
    const int slot = order[position];
    f.nodes.push_back({slot, 0});
    f.slots[slot].node = position;
    f.order.push_back(position);
    f.levelAt.push_back(static_cast<std::uint16_t>(1 + position));
    f.slots[slot].displayLevel = static_cast<std::uint16_t>(1 + position);
  }
  f.objectCount = 2;
  f.objectLimit = 2;
  return f;
}

std::int32_t Fv(int slot) { return slot + 65536; }

// A call of the routine: fixed values name slots 2, 0 and 1 in turn, object
// parameters their types, and a count, level, default or integer argument
// takes `other`.
Call ProbeCall(const RoutineInfo& row, std::int32_t other) {
  Call call{.code = row.code};
  call.kind = row.kind == RoutineKind::Condition ? Kind::Condition
              : row.kind == RoutineKind::Action  ? Kind::Action
                                                 : Kind::Expression;
  const std::array<std::int32_t, 3> fixedValues = {Fv(kNamed), Fv(0), Fv(1)};
  call.first = fixedValues[0];
  call.second = row.parameterCount > 1 && row.parameters[1].titleId == plugin::kTitleFixedValue
                    ? fixedValues[1]
                    : other;
  call.typeA = 0;  // the type of slot 2
  call.typeB = 1;
  call.typeC = 2;
  call.nextParameters = fixedValues;
  call.integerArgument = other;
  call.textArgument = kTypeNames[0];
  return call;
}

// Everything a routine may change or answer, as text.
std::string Ending(Frame& frame, const Call& call) {
  const model::Outcome out = Run(frame, call);
  std::string text = "result " + std::to_string(out.result) + " text " + out.text.value_or("-");
  text += " refreshed";
  for (const int node : out.refreshed) text += " " + std::to_string(node);
  text += " order";
  for (const int node : frame.order) text += " " + std::to_string(node);
  text += " stored " + std::to_string(frame.storedFixedValue);
  for (const Type& t : frame.types)
    text += " selection " + std::to_string(t.firstSelected) + "/" +
            std::to_string(t.selectedCount) + "/" + std::to_string(t.selectionStamp);
  for (const Object& o : frame.slots)
    text += " object " + std::to_string(o.nextSelected) + "/" + std::to_string(o.displayLevel);
  return text;
}

struct Dependence {
  bool onObjectCount = false;
  bool onObjectLimit = false;
};

// Whether any probe ends otherwise with one bound one short of slot 2.
Dependence Probe(const RoutineInfo& row) {
  Dependence found;
  std::array<int, 3> order = {0, 1, 2};
  do {
    for (const std::int32_t other : {1, 2, 3, Fv(kNamed)}) {
      const Call call = ProbeCall(row, other);
      Frame reaching = ProbeFrame(order);
      const std::string expected = Ending(reaching, call);
      Frame countShort = ProbeFrame(order);
      countShort.objectCount = kNamed - 1;
      found.onObjectCount |= Ending(countShort, call) != expected;
      Frame limitShort = ProbeFrame(order);
      limitShort.objectLimit = kNamed - 1;
      found.onObjectLimit |= Ending(limitShort, call) != expected;
    }
  } while (std::next_permutation(order.begin(), order.end()));
  return found;
}

TEST(SlotBounds, TheReferenceColumnIsWhatTheModelSearches) {
  for (const RoutineInfo& row : plugin::kCatalogue) {
    const Dependence found = Probe(row);
    const SlotBound bound = row.slotBound;
    const bool count = bound == SlotBound::ObjectCount || bound == SlotBound::Both;
    const bool limit = bound == SlotBound::ObjectLimit || bound == SlotBound::Both;
    const std::string routine = std::string(plugin::KindWord(row.kind)) + " " +
                                std::to_string(row.code) + " \"" + std::string(row.displayText) +
                                "\"";
    EXPECT_EQ(found.onObjectCount, count)
        << routine << ": in the model it " << (found.onObjectCount ? "misses" : "still finds")
        << " an object just beyond objectCount";
    EXPECT_EQ(found.onObjectLimit, limit)
        << routine << ": in the model it " << (found.onObjectLimit ? "misses" : "still finds")
        << " an object just beyond objectLimit";
  }
}

}  // namespace
}  // namespace tier::model
