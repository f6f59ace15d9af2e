// A reference model of one running frame and of every routine, written for
// plainness rather than speed: the display order is a vector of node ids, the
// objects and types are plain values, and every routine is the rule it obeys
// stated over those values. It shares no code with the plug-in, only the
// catalogue's facts (plugin/catalogue.h); the fuzzer compares the two after
// every call, and the decisions a call takes here say why it did nothing
// (model/reason.h), which the host program words.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
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

  int PositionOf(int node) const;  // kNone: the node is not in the list
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
  // Why the model cannot run these records (a chain into a free slot, a node
  // outside the list); then the rest says nothing.
  std::optional<std::string> unmodelled;
};

// --- The decisions a routine takes on its way ---------------------------------
//
// Each decision is a typed record that carries the facts an explanation
// needs: they are settled here, once, and a reader looks each decision up by
// its type and, where a routine takes several of one type, by the parameter
// or arrangement it belongs to, never by where it stands in the list. A
// routine records every decision its path reaches, so a reader that finds
// one missing knows the record is incomplete.

// Where an instance search started: the type's current selection, or else its
// first object; `first` is that slot, -1 or a free slot when there is none.
struct ScopeStart {
  int type = 0;
  bool current = false;
  int first = kNone;
};

// An object parameter of an action took its type's first instance in scope,
// `slot`, or with none in scope (kNone) fixed value 0.
struct FirstInstance {
  static constexpr const char* kName = "FirstInstance";
  int parameter = 0;  // the routine's parameter, from 0
  ScopeStart scope;
  int slot = kNone;
};

// A fixed value looked up in slots 0 to objectLimit (actions) or objectCount
// (conditions). `slot` is the first holder in reach, kNone when none is; then
// `beyond` is the first holder past `lastSlot`, kNone when no slot holds it.
enum class SlotBound { ObjectLimit, ObjectCount };
struct LookedUp {
  static constexpr const char* kName = "LookedUp";
  int parameter = 0;
  std::int32_t fixedValue = 0;  // the value searched for
  bool storedStoodIn = false;   // 0 was given and the stored value searched for
  SlotBound bound = SlotBound::ObjectLimit;
  int lastSlot = 0;  // objectLimit or objectCount
  int slot = kNone, beyond = kNone;
  bool hasNode = false;  // the object found has a display node
};

// The display list's length where a routine checks it (0: empty).
struct ListLength {
  static constexpr const char* kName = "ListLength";
  int nodes = 0;
};

// A move toward an end: `already` when the object lies there.
struct TowardEnd {
  static constexpr const char* kName = "TowardEnd";
  bool front = false, already = false;
};
struct CountBelowOne {
  static constexpr const char* kName = "CountBelowOne";
  std::int64_t count = 0;
};
// Whether a swap found one object twice.
struct SwapOf {
  static constexpr const char* kName = "SwapOf";
  bool same = false;
};
// Two objects' levels, as a move or a condition compared them; `other` is
// the object of parameter `otherParameter` (kNone: the node at a level).
// `passed`: the condition held, or the move goes ahead.
struct LevelsCompared {
  static constexpr const char* kName = "LevelsCompared";
  int otherParameter = 1;
  int slot = 0, other = 0;
  std::uint16_t level = 0, otherLevel = 0;
  bool same = false, passed = false;
};
struct LevelOutsideList {
  static constexpr const char* kName = "LevelOutsideList";
  std::int32_t level = 0;
  int size = 0;
};
// The node at the level a move aims for: its owner's slot, and whether that
// is the object to move.
struct TargetAtLevel {
  static constexpr const char* kName = "TargetAtLevel";
  std::int32_t level = 0;
  int owner = kNone;
  bool itself = false;
};
// The owner of the back-most or front-most node (kNone: none, or no node).
// The fixed-value forms test it for `fixedValue`, held first by `holder`
// (kNone: by no slot); the object forms for each candidate's own value, so
// there `fixedValue` is what the test looks for with the owner's own.
// `storedStoodIn`: that value was 0, and the stored value was looked for.
struct EndOwner {
  static constexpr const char* kName = "EndOwner";
  bool front = false;
  int slot = kNone;
  std::int32_t fixedValue = 0;
  bool storedStoodIn = false, holds = false;
  int holder = kNone;
  bool candidate = false;  // object forms: the owner is one of the candidates
};
// A sort's keys as the list stood: already in the sort's order, and all one key.
enum class SortKey { X, Y, AlterableValue };
struct SortKeys {
  static constexpr const char* kName = "SortKeys";
  SortKey key = SortKey::X;
  bool largestFirst = false;
  std::int32_t valueIndex = 0;
  bool defaultOnly = false;  // the index lies outside the values: every key is the default
  bool inOrder = false, oneKey = false;
  std::int32_t firstKey = 0;
};
// The test's look-up of a slot's own fixed value found another slot (kNone:
// none up to objectCount, `lastSlot`). A value 0 stood for the stored one,
// `lookedFor`.
struct Misled {
  int slot = 0;
  std::int32_t fixedValue = 0;
  bool storedStoodIn = false;
  std::int32_t lookedFor = 0;
  int found = kNone, lastSlot = 0;
};
// One narrowing of a type's selection: its instances in scope (candidates)
// tested at an end or against the instances in scope of the type of
// parameter `partner` (kNone: none). "%0 Between %1 and %2?" runs two
// arrangements (0, 1) of two narrowings each.
enum class FilterTest { AtBack, AtFront, Above, Below };
struct Filtered {
  static constexpr const char* kName = "Filtered";
  FilterTest test = FilterTest::AtBack;
  int arrangement = 0, partner = kNone;
  ScopeStart candidateScope;
  std::optional<ScopeStart> partnerScope;
  std::optional<ScopeStart> empty;  // the scope that had no instance: nothing was tested
  std::vector<int> candidates, partners, passed;  // slots, in walk order
  bool plain = false;  // every one is found by its own fixed value and has a node
  // Nothing passed though `candidate` lies beyond `partner` by level; the
  // look-up that misled the test, when one did.
  struct Unseen {
    int candidate = 0, partner = 0;
    std::optional<Misled> misled;
  };
  std::optional<Unseen> unseen;
};
// "%0 Between %1 and %2?": whether a partner type shares A's type, and the
// first partner scope without an instance.
struct BetweenPartners {
  static constexpr const char* kName = "BetweenPartners";
  bool sharesType = false;
  std::optional<ScopeStart> empty;
};
// Between its two arrangements "%0 Between %1 and %2?" marks A's selection
// not current when it was; at eventCount 65535 the mark leaves it current.
struct MarkedNotCurrent {
  static constexpr const char* kName = "MarkedNotCurrent";
  int type = 0;
  bool stillCurrent = false;
};

using Decision = std::variant<FirstInstance, LookedUp, ListLength, TowardEnd, CountBelowOne, SwapOf,
                              LevelsCompared, LevelOutsideList, TargetAtLevel, EndOwner, SortKeys,
                              Filtered, BetweenPartners, MarkedNotCurrent>;
using Decisions = std::vector<Decision>;

// Whether an alterable value index names one of an object's values; the
// sorts by value key every object by the default value otherwise.
constexpr bool ValueIndexInRange(std::int32_t index) { return index >= 0 && index < kValueCount; }

// Whether `call` is a sort by alterable value whose index names no value,
// so that every object sorts by the default value (`call.second`).
bool SortsByDefaultOnly(const Call& call);

// Called at every service call a routine makes (each refresh, each fetched
// parameter), with the frame as the host sees its records at that moment.
using ServiceObserver = std::function<void(const Frame&)>;

// Runs one routine on the frame, changing it as the routine would; records
// its decisions in `decisions` when given, and calls `atService` at each
// service call. Records it cannot run give an outcome whose `unmodelled`
// says why.
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
