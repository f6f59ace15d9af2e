// A simulated host: lays out a frame's run-time records byte for byte as the
// host does, offers the host's services, and logs every RefreshNode call.
// Tests, the fuzzer, the benchmarks and the host program describe scenes
// through it. Everything of it that the plug-in reaches without being handed
// it is its session (simhost/host_session.h), in effect from construction to
// destruction unless a later host covers it; the one call of a routine
// (hostlink/routine_call.h) puts its host in effect for the call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/records.h"
#include "simhost/address_space.h"
#include "simhost/field_check.h"
#include "simhost/host_session.h"
#include "simhost/host_side.h"

namespace tier::sim {

using host::HostAddress;

struct TypeSpec {
  std::string name;
  // The selected chain, as slots in chain order. The selection is current
  // when `selectionCurrent` (selectionStamp = eventCount), else stale.
  std::vector<int> selected;
  bool selectionCurrent = false;
  // Overrides for cases outside the plain picture (empty current selection
  // with a positive count, and so on).
  std::optional<std::int16_t> firstSelected;
  std::optional<std::int16_t> selectedCount;
  std::optional<std::uint16_t> selectionStamp;
  std::optional<std::int16_t> typeObjectCount;
};

struct ObjectSpec {
  int slot = 0;
  int type = 0;  // index into SceneSpec::types
  std::int16_t creationCount = 0;
  std::int16_t x = 0;
  std::int16_t y = 0;
  // Alterable values; none at all (valuesOffset 0) when hasValues is false.
  bool hasValues = true;
  std::vector<std::int32_t> values;  // the rest of the block is 0
  bool hasDisplayBlock = true;
  // Overrides the number field (normally the slot).
  std::optional<std::int16_t> number;
};

struct NodeSpec {
  int slot = 0;  // the owner's slot; -1 for a node without owner
  std::uint8_t flags = 0;
};

struct SceneSpec {
  std::vector<TypeSpec> types;
  std::vector<ObjectSpec> objects;  // type chains follow this order
  std::vector<NodeSpec> order;      // the display list, back to front
  std::uint16_t firstLevel = 1;
  std::optional<std::uint16_t> objectCount;  // default: the highest slot
  std::optional<std::int16_t> objectLimit;   // default: the highest slot
  std::uint16_t eventCount = 7;
  std::int32_t storedFixedValue = 0;
  // Room beyond the usual for parameter records and expression texts that a
  // long run of calls makes.
  std::size_t parameterBytes = 0;
};

struct RefreshCall {
  HostAddress frame;
  HostAddress node;
  std::int32_t flag;
};

struct ServiceCall {
  HostAddress runData;
  std::uint32_t first;
  std::uint32_t second;
};

class RecordWatch;

class SimHost {
 public:
  explicit SimHost(const SceneSpec& scene);
  ~SimHost();
  SimHost(const SimHost&) = delete;
  SimHost& operator=(const SimHost&) = delete;

  // --- Parameters as the host hands them over --------------------------
  HostAddress RunDataAddress() const { return runData_; }
  host::RunData& runData() const;
  host::RunHeader& runHeader() const;
  // An ObjectParam for type `type` (conditions).
  std::int32_t ObjectParamWord(int type);
  // A HostObject of type `type` (actions): its first object, or a detached
  // object record of that type when it has none.
  std::int32_t ActionObjectWord(int type);
  // An AltValueParam with this index.
  std::int32_t AltValueParamWord(std::int16_t index);
  // A zero-terminated text in a block of its own, for GetExpressionParameter.
  HostAddress TextArgumentAddress(const std::string& text);

  // --- The contract ----------------------------------------------------------
  // Every block the host made, with the record it holds.
  const BlockMap& Blocks() const { return blocks_; }
  // A call begins and ends: the parameter records among its argument words,
  // the queued parameters and the expression argument are the only ones the
  // plug-in may read until CloseCall. Outside a call every parameter record
  // is readable.
  void OpenCall(std::uint32_t first, std::uint32_t second);
  void CloseCall();
  // Whether the parameter record at `start` may be read now.
  bool IsParameterLive(HostAddress start) const;

  // The simulated host in effect; null when none is.
  static SimHost* InEffect();
  HostSession& session() { return session_; }
  // Whether the plug-in's every access must lie inside one record (natively;
  // on unless turned off, as the benchmarks do).
  void CheckAccesses(bool checked);

  // --- Services ----------------------------------------------------------
  void QueueNextParameters(const std::vector<std::int32_t>& words);
  const std::vector<ServiceCall>& NextParameterCalls() const { return nextParameterCalls_; }
  void SetExpressionInteger(std::int32_t value);
  // Of the host's own writes between calls, the parameter words above and
  // the services here write only into records they make, but for this one,
  // which may fill the last text's record again: it notes that write in the
  // watch's copy (simhost/record_watch.h).
  void SetExpressionText(const std::string& text);
  void SetExpressionNullText();
  // The word GetExpressionParameter answers with now: a number or a text's address.
  std::uint32_t ExpressionArgument() const { return expressionValue_; }
  const std::vector<ServiceCall>& ExpressionParameterCalls() const { return expressionCalls_; }
  const std::vector<RefreshCall>& Refreshes() const { return refreshes_; }
  // Owner slots of the refreshed nodes, in call order (-1: no owner).
  std::vector<int> RefreshedSlots() const;
  void ClearLogs();
  // Called at every service call (RefreshNode, GetNextParameter,
  // GetExpressionParameter) once it is logged, while the plug-in waits for
  // it: what a host would see of its records in the middle of a call.
  void SetServiceObserver(std::function<void()> observer) {
    serviceObserver_ = std::move(observer);
  }

  // --- What the records hold now ------------------------------------------
  // Owner slots back to front, following next from head (bounded).
  std::vector<int> Order() const;
  std::vector<std::uint16_t> Levels() const;
  host::HostObject* Object(int slot) const;
  host::DisplayNode* Node(int slot) const;
  host::ObjectTypeEntry& Type(int type) const;
  std::int32_t FixedValue(int slot) const;
  // displayLevel of the slot's object; nullopt without a display block.
  std::optional<std::uint16_t> DisplayLevel(int slot) const;
  // The selected chain of a type as slots, followed from firstSelected for
  // selectedCount links at most.
  std::vector<int> SelectedChain(int type) const;
  std::int32_t StoredFixedValue() const;
  const SceneSpec& scene() const { return scene_; }
  sim::AddressSpace& space() { return space_; }
  const sim::AddressSpace& space() const { return space_; }

  // The records compared around each call from a copy kept between calls
  // (simhost/record_watch.h); made at the first call that compares them.
  RecordWatch& Watch();

  // Host invariants: links, head and tail, rising levels, displayLevel
  // mirrors of counted nodes. Empty when all hold, else what is wrong.
  std::string CheckInvariants() const;
  // The list as a readable table, for failure messages.
  std::string Dump() const;

 private:
  // The constructor's three stages, in this order.
  void LayOutTypesAndObjects();
  void LinkTypeChains();
  void LinkDisplayList();
  // The nodes from head along next; at most one more than the host made, so
  // that a cycle ends the walk.
  std::vector<const host::DisplayNode*> WalkFromHead() const;
  HostAddress NodeAddress(int index) const { return nodes_[index]; }
  HostAddress Allocate(RecordKind kind, std::size_t size);
  std::uint32_t NextParameter();
  std::uint32_t ExpressionParameter();
  static std::uint32_t TIER_STDCALL NextParameterService(std::uint32_t runData, std::uint32_t a,
                                                         std::uint32_t b);
  static std::uint32_t TIER_STDCALL ExpressionParameterService(std::uint32_t runData,
                                                               std::uint32_t kind,
                                                               std::uint32_t token);
  void OnRefresh(HostAddress frame, HostAddress node, std::int32_t flag);

  HostSession session_;  // first made, last gone
  SceneSpec scene_;
  sim::AddressSpace space_;
  HostAddress runData_ = 0;
  HostAddress runHeader_ = 0;
  HostAddress frame_ = 0;
  HostAddress displayList_ = 0;
  HostAddress objectTable_ = 0;
  HostAddress typeList_ = 0;
  int slotCount_ = 0;
  std::vector<HostAddress> types_;                          // by type index
  std::vector<HostAddress> objects_;                        // by slot, 0 for free
  std::vector<HostAddress> nodes_;                          // by position in the initial order
  std::unordered_map<HostAddress, std::size_t> nodeIndex_;  // node address -> its index in nodes_
  std::vector<HostAddress> objectParams_, detachedObjects_;

  std::deque<std::int32_t> nextParameters_;
  std::vector<ServiceCall> nextParameterCalls_;
  std::uint32_t expressionValue_ = 0;
  HostAddress textRecord_ = 0;  // the last expression text's record
  std::size_t textRecordSize_ = 0;
  std::vector<ServiceCall> expressionCalls_;
  std::vector<RefreshCall> refreshes_;
  std::function<void()> serviceObserver_;
  BlockMap blocks_;
  bool callOpen_ = false;
  std::vector<std::uint32_t> callWords_;
  std::unique_ptr<RecordWatch> watch_;  // last: it lets go of the memory first
};

}  // namespace tier::sim
