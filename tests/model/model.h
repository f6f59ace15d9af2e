// A reference model of one running frame and of the 46 routines, written for
// plainness rather than speed: the display order is a vector of node ids, the
// objects and types are plain values, and every routine is the rule it obeys
// stated over those values. It shares no code with the plug-in; the fuzzer
// compares the two after every call.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tier::model {

inline constexpr int kNone = -1;
inline constexpr std::uint8_t kUncounted = 0x20;
inline constexpr std::uint8_t kNoRefresh = 0x80;
inline constexpr int kValueCount = 26;
inline constexpr std::int16_t kChainEnd = static_cast<std::int16_t>(0x8000);

struct Node {
  int owner = kNone;  // slot of the owning object
  std::uint8_t flags = 0;
};

struct Object {
  bool present = false;
  std::int16_t number = 0;
  std::int16_t nextSelected = -1;
  std::int16_t nextOfType = -1;
  std::int16_t creationCount = 0;
  int type = 0;
  std::int16_t x = 0;
  std::int16_t y = 0;
  bool hasValues = false;
  std::array<std::int32_t, kValueCount> values{};
  bool hasDisplayBlock = false;
  std::uint16_t displayLevel = 0;
  int node = kNone;  // node id
};

struct Type {
  std::string name;
  std::int16_t firstSelected = -1;
  std::int16_t firstObject = -1;
  std::int16_t typeObjectCount = 0;
  std::uint16_t selectionStamp = 0;
  std::int16_t selectedCount = 0;
};

struct Frame {
  std::vector<Node> nodes;             // by node id
  std::vector<int> order;              // node ids, back to front
  std::vector<std::uint16_t> levelAt;  // level by position: swaps leave it, sorts renumber it
  std::vector<Object> slots;           // the ObjectTable, max(objectCount, objectLimit) + 1 slots
  std::vector<Type> types;
  std::uint16_t objectCount = 0;
  std::int16_t objectLimit = 0;
  std::uint16_t eventCount = 0;
  std::int32_t storedFixedValue = 0;

  std::uint16_t LevelOf(int node) const;
  int PositionOf(int node) const;
};

std::int32_t FixedValueOf(const Object& object);

enum class Kind { Condition, Action, Expression };

// One call as the host makes it, with the parameters in their plain meaning.
// The fuzzer turns them into words; the model reads only what the routine's
// parameter kinds say it reads.
struct Call {
  Kind kind = Kind::Action;
  int code = 0;
  std::int32_t first = 0;               // a number parameter 1 (fixed value)
  std::int32_t second = 0;              // a number parameter 2 (fixed value, count, level, default)
  int typeA = 0, typeB = 0, typeC = 0;  // object parameters by type index
  std::int16_t valueIndex = 0;          // codes 26 and 27
  std::array<std::int32_t, 3> nextParameters{};  // condition 4
  std::int32_t token = 0;                        // expressions
  std::int32_t integerArgument = 0;              // expressions 3, 4, 6, 7
  std::optional<std::string> textArgument;       // expression 0; nullopt = null pointer
};

enum class Service { NextParameter, ExpressionParameter };
struct ServiceCall {
  Service service;
  std::uint32_t first;
  std::uint32_t second;
  friend bool operator==(const ServiceCall&, const ServiceCall&) = default;
};

struct Outcome {
  std::int32_t result = 0;          // conditions, actions, numeric expressions
  std::optional<std::string> text;  // text expressions (nullopt: null pointer)
  std::vector<int> refreshed;       // node ids, in call order
  std::vector<ServiceCall> services;
};

// Runs one routine on the frame, changing it as the routine would.
Outcome Run(Frame& frame, const Call& call);

// The display order that a sort of these keys produces, as indices into
// `keys` (the list's old order); the sort's procedure with its own
// partitioning for more than 16 records.
std::vector<int> SortOrder(const std::vector<std::int32_t>& keys, bool largestFirst);

// Routine names by kind and code, for messages.
const char* RoutineName(Kind kind, int code);

}  // namespace tier::model
