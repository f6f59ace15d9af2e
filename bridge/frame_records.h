// The one bridge between the reference model's frame and the simulated
// host's records: a frame laid out as records, records read back as raw
// field values to hold against the model, and records read as a frame for
// the model to run on.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/model.h"
#include "simhost/sim_host.h"

namespace tier::bridge {

// A pointer field read back: a node id, model::kNone for null, kForeign for an
// address that is no node of the frame.
inline constexpr int kForeign = -2;

struct RawNode {
  int prev = model::kNone, next = model::kNone;
  std::uint16_t level = 0;
  std::uint8_t flags = 0;
  int owner = model::kNone;
  friend bool operator==(const RawNode&, const RawNode&) = default;
};

struct RawObject {
  std::int16_t number = 0, nextSelected = 0, nextOfType = 0, creationCount = 0;
  int type = 0;
  std::int16_t x = 0, y = 0;
  bool hasValues = false, hasDisplayBlock = false;
  std::uint16_t displayLevel = 0;  // 0 without a display block
  int node = model::kNone;
  std::array<std::int32_t, model::kValueCount> values{};  // all 0 without values
  friend bool operator==(const RawObject&, const RawObject&) = default;
};

struct RawType {
  std::int16_t firstSelected = 0, firstObject = 0, typeObjectCount = 0;
  std::uint16_t selectionStamp = 0;
  std::int16_t selectedCount = 0;
  friend bool operator==(const RawType&, const RawType&) = default;
};

// Every field the plug-in may write, and the ones beside them it must not.
struct RawState {
  int head = model::kNone, tail = model::kNone;
  std::vector<RawNode> nodes;
  std::vector<std::optional<RawObject>> slots;
  std::vector<RawType> types;
  std::int32_t storedFixedValue = 0;
  std::uint16_t objectCount = 0, eventCount = 0;
  std::int16_t objectLimit = 0;
  friend bool operator==(const RawState&, const RawState&) = default;
};

// The records a frame stands for.
RawState Expected(const model::Frame& frame);

// The frame the records of `sim` hold, node ids by list position; nullopt
// when they hold what the model has no word for: a list that loops, a node
// owned by no object of the table, an object whose node lies outside the
// list.
std::optional<model::Frame> ReadFrame(const sim::SimHost& sim);

// What differs, one line per field; empty when the two agree.
std::string Diff(const RawState& expected, const RawState& actual);

class Layout {
 public:
  explicit Layout(const model::Frame& frame);

  sim::SimHost& sim() { return *sim_; }
  host::HostAddress NodeAddress(int node) const { return nodeAddresses_.at(node); }
  int NodeId(host::HostAddress address) const;
  RawState Snapshot() const;

  // A digest of every field the plug-in may write (links, head and tail,
  // levels, mirrors, selections, the stored fixed value): as the host's
  // records hold them now, and as the frame stands for them. Cheap enough to
  // take at every service call of a call; equal fields give equal digests.
  std::uint64_t RecordsDigest() const;
  std::uint64_t FrameDigest(const model::Frame& frame) const;

 private:
  std::unique_ptr<sim::SimHost> sim_;
  std::vector<host::HostAddress> nodeAddresses_;
  std::unordered_map<host::HostAddress, int> nodeIds_;
  std::unordered_map<host::HostAddress, int> typeIds_;
  std::unordered_map<host::HostAddress, int> slotOfObject_;
  int slotCount_ = 0;
  // Where the digest reads, fixed once the host has laid the frame out.
  std::vector<host::HostAddress> objectAddresses_;  // by slot, 0 for free
  std::vector<host::HostAddress> mirrorAddresses_;  // displayLevel by slot, 0 for none
  std::vector<host::HostAddress> typeAddresses_;    // by type
};

}  // namespace tier::bridge
