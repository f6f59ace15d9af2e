// Random frames and calls for the differential fuzzer. A frame is kept as a
// recipe (chains as slot lists) so that it prints readably and shrinks by
// dropping objects; it becomes a model frame for both sides of the run.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/model.h"
#include "plugin/catalogue.h"
#include "testkit/fuzz/source.h"

namespace tier::testkit::fuzz {

struct TypeRecipe {
  std::string name;
  std::vector<int> chain;  // slots in nextOfType order
  std::int16_t chainEnd = -1;
  std::optional<std::int16_t> typeObjectCount;
  std::vector<int> selected;  // slots in nextSelected order
  std::int16_t selectedEnd = model::kChainEnd;
  std::optional<std::int16_t> firstSelected;
  std::optional<std::int16_t> selectedCount;
  std::optional<std::uint16_t> staleStamp;  // set: the selection is not current
};

struct ObjectRecipe {
  int slot = 0;
  int type = 0;
  std::int16_t creationCount = 0, x = 0, y = 0;
  bool hasValues = true;
  std::array<std::int32_t, model::kValueCount> values{};
  bool hasDisplayBlock = true;
  std::uint16_t displayLevel = 0;  // kept where no counted node mirrors it
  std::int16_t looseLink = -1;     // nextSelected outside any selected chain
  // A twin: numbered like the object in another slot, so that the two share
  // a fixed value. It is in no chain of its type, so no walk writes to it;
  // only the scans by fixed value meet it.
  std::optional<std::int16_t> number;
};

struct NodeRecipe {
  int slot = 0;
  std::uint8_t flags = 0;
};

struct FrameRecipe {
  std::vector<TypeRecipe> types;
  std::vector<ObjectRecipe> objects;
  std::vector<NodeRecipe> order;  // back to front
  std::uint16_t firstLevel = 1;
  std::uint16_t objectCount = 0;
  std::int16_t objectLimit = 0;
  std::uint16_t eventCount = 7;
  std::int32_t storedFixedValue = 0;
};

// One call and the words that its routine must not read.
struct FuzzCall {
  model::Call call;
  std::int32_t unusedFirst = 0, unusedSecond = 0;
};

struct Case {
  FrameRecipe frame;
  std::vector<FuzzCall> calls;
};

struct FrameOptions {
  // Keep every object within slots 0..max(objectCount, objectLimit).
  bool objectsWithinBounds = false;
  // Percent of frames drawn large: 200 to `largeFrameObjects` objects of
  // several types that share names, with twins, and bounds well below and
  // above the highest slot.
  int largeFramePercent = 0;
  int largeFrameObjects = 3000;
};

// The fixed value of a recipe's object.
std::int32_t FixedValueOf(const ObjectRecipe& object);

FrameRecipe MakeFrame(Source& source, const FrameOptions& options = {});
// `focused`: half the calls go to the routines that find objects by fixed
// value or name ("%0 Above %1?", "%0 Below %1?" and "%0 Between %1 and %2?"
// in both forms, "tirGetFV("). `only`: every call goes to that routine.
FuzzCall MakeCall(Source& source, const FrameRecipe& frame, bool focused = false,
                  const plugin::RoutineInfo* only = nullptr);
// A frame and up to `maxCalls` calls (fewer when a byte source runs out).
Case MakeCase(Source& source, int maxCalls, const FrameOptions& options = {},
              const plugin::RoutineInfo* only = nullptr);

model::Frame ToModel(const FrameRecipe& recipe);
// The recipe without the object in `slot` (and its node and chain links).
FrameRecipe WithoutObject(const FrameRecipe& recipe, int slot);

std::string Describe(const FrameRecipe& frame);
std::string Describe(const FuzzCall& call);

}  // namespace tier::testkit::fuzz
