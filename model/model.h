// A reference model of one running frame and of the 46 routines, written for
// plainness rather than speed: the display order is a vector of node ids, the
// objects and types are plain values, and every routine is the rule it obeys
// stated over those values. It shares no code with the plug-in; the fuzzer
// compares the two after every call, and the host program words the
// decisions a call takes here to say why it did nothing.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
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
  std::int16_t valueIndex = 0;          // the sorts by an alterable value
  std::array<std::int32_t, 3> nextParameters{};  // CondBetween fetches all three
  std::int32_t token = 0;                        // expressions
  std::int32_t integerArgument = 0;              // the expressions with a number argument
  std::optional<std::string> textArgument;       // GetFixedValueByName; nullopt = null pointer
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

// --- The decisions a routine takes on its way ---------------------------------

// Where an instance search started: the type's current selection, or else its
// first object; `first` is that slot, -1 or a free slot when there is none.
struct ScopeStart {
  int type = 0;
  bool current = false;
  int first = kNone;
};

// A fixed value of 0 was taken as the stored one.
struct StoredStandsIn {
  std::int32_t storedFixedValue = 0;
};
// An object parameter found no instance in scope and took fixed value 0.
struct NoInstanceInScope {
  ScopeStart scope;
};
// An object parameter took the fixed value of its type's first instance in scope.
struct FirstInScope {
  int type = 0;
  int slot = 0;
};
// A search of slots 0 to objectLimit (actions) or objectCount (conditions)
// for a fixed value; `slot` is the first holder, kNone when none is in reach.
enum class SlotBound { ObjectLimit, ObjectCount };
struct Searched {
  std::int32_t fixedValue = 0;
  SlotBound bound = SlotBound::ObjectLimit;
  int slot = kNone;
};
// The object found has no display node.
struct NoNode {
  int slot = 0;
};
struct ListEmpty {};
struct ListOfOne {};
// The object to move already lies at that end.
struct AlreadyAtEnd {
  int slot = 0;
  bool front = false;
};
struct CountBelowOne {
  std::int64_t count = 0;
};
// Both parameters found the same object.
struct SameObject {
  int slot = 0;
};
// Two objects' levels, as a move or a condition compared them.
struct LevelsCompared {
  int slot = 0, other = 0;
  std::uint16_t level = 0, otherLevel = 0;
};
struct LevelOutsideList {
  std::int32_t level = 0;
  int size = 0;
};
// The node at the level a move aims for, and its owner's slot.
struct TargetAtLevel {
  std::int32_t level = 0;
  int owner = kNone;
};
// The owner of the back-most or front-most node, kNone for an ownerless node.
struct EndOwner {
  bool front = false;
  int slot = kNone;
};
// A sort's keys, back to front as the list stood.
enum class SortKey { X, Y, AlterableValue };
struct SortKeys {
  SortKey key = SortKey::X;
  bool largestFirst = false;
  std::int32_t valueIndex = 0, defaultValue = 0;
  std::vector<std::int32_t> keys;
};
// One narrowing of a type's selection: its instances in scope (candidates)
// tested at an end or against a partner type's instances in scope.
enum class FilterTest { AtBack, AtFront, Above, Below };
struct Filtered {
  FilterTest test = FilterTest::AtBack;
  ScopeStart candidateScope;
  std::optional<ScopeStart> partnerScope;
  bool stopped = false;  // the candidates' or the partners' type had no instance in scope
  std::vector<int> candidates, partners, passed;  // slots, in walk order
};
// "%0 Between %1 and %2?" marked the type's selection not current between
// its two arrangements.
struct MarkedNotCurrent {
  int type = 0;
  std::uint16_t eventCount = 0;
};

using Decision =
    std::variant<StoredStandsIn, NoInstanceInScope, FirstInScope, Searched, NoNode, ListEmpty,
                 ListOfOne, AlreadyAtEnd, CountBelowOne, SameObject, LevelsCompared,
                 LevelOutsideList, TargetAtLevel, EndOwner, SortKeys, Filtered, MarkedNotCurrent>;
using Decisions = std::vector<Decision>;

// Records the model cannot run: a chain into a free slot, a node outside the
// list.
struct Unmodelled : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Called at every service call a routine makes (each refresh, each fetched
// parameter), with the frame as the host sees its records at that moment.
using ServiceObserver = std::function<void(const Frame&)>;

// Runs one routine on the frame, changing it as the routine would; records
// its decisions in `decisions` when given, and calls `atService` at each
// service call. Throws Unmodelled.
Outcome Run(Frame& frame, const Call& call, Decisions* decisions = nullptr,
            const ServiceObserver& atService = nullptr);

// The slot whose object the conditions find for a fixed value (0 standing
// for the stored one) in slots 0 to objectCount; kNone.
int ConditionSlot(const Frame& frame, std::int32_t fixedValue);

// The first instance in scope of a type; kNone.
int FirstInScopeSlot(const Frame& frame, int type);
ScopeStart ScopeOf(const Frame& frame, int type);

// The display order that a sort of these keys produces, as indices into
// `keys` (the list's old order); the sort's procedure with its own
// partitioning for more than 16 records.
std::vector<int> SortOrder(const std::vector<std::int32_t>& keys, bool largestFirst);

// Routine names by kind and code, for messages.
const char* RoutineName(Kind kind, int code);

}  // namespace tier::model
