#include "bridge/frame_records.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace tier::bridge {

using model::Frame;
using model::kNone;
using model::kValueCount;
using model::Object;
using model::Type;

namespace {

// A frame that the model could never hold: a broken test or fuzzer, which a
// constructor has no caller to tell.
[[noreturn]] void LayoutError(const std::string& what) {
  std::fprintf(stderr, "model layout: %s\n", what.c_str());
  std::abort();
}

std::uint64_t Mix(std::uint64_t h, std::uint64_t value) {
  h ^= value + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  h ^= h >> 31;
  h *= 0xBF58476D1CE4E5B9ull;
  return h ^ (h >> 29);
}

// One node's share of the digest; the shares are summed, so either side may
// visit the nodes in its own order.
std::uint64_t NodeShare(int id, host::HostAddress prev, host::HostAddress next,
                        std::uint16_t level) {
  return Mix(Mix(Mix(Mix(1, static_cast<std::uint64_t>(id)), prev), next), level);
}

std::uint64_t SlotShare(int slot, std::int16_t nextSelected, std::uint16_t displayLevel) {
  return Mix(
      Mix(Mix(2, static_cast<std::uint64_t>(slot)), static_cast<std::uint16_t>(nextSelected)),
      displayLevel);
}

std::uint64_t TypeShare(std::size_t type, std::int16_t firstSelected, std::int16_t selectedCount,
                        std::uint16_t selectionStamp) {
  return Mix(Mix(Mix(Mix(3, type), static_cast<std::uint16_t>(firstSelected)),
                 static_cast<std::uint16_t>(selectedCount)),
             selectionStamp);
}

std::uint64_t Whole(host::HostAddress head, host::HostAddress tail, std::int32_t stored,
                    std::uint64_t shares) {
  return Mix(Mix(Mix(Mix(4, head), tail), static_cast<std::uint32_t>(stored)), shares);
}

// An object's own fields as the host's record holds them; the type and the
// node are left to the caller, who knows the records' addresses.
Object ReadObject(const host::HostObject& record) {
  Object o;
  o.present = true;
  o.number = record.number;
  o.nextSelected = record.nextSelected;
  o.nextOfType = record.nextOfType;
  o.creationCount = record.creationCount;
  o.x = record.x;
  o.y = record.y;
  o.hasValues = record.valuesOffset != 0;
  for (int i = 0; i < kValueCount; ++i) host::ReadAlterableValue(record, i, o.values[i]);
  if (const host::DisplayBlock* block = host::DisplayBlockOf(record)) {
    o.hasDisplayBlock = true;
    o.displayLevel = block->displayLevel;
  }
  return o;
}

// An object as raw fields: a display level and values only where there are
// a display block and values.
RawObject RawOf(const Object& o) {
  return {o.number,
          o.nextSelected,
          o.nextOfType,
          o.creationCount,
          o.type,
          o.x,
          o.y,
          o.hasValues,
          o.hasDisplayBlock,
          static_cast<std::uint16_t>(o.hasDisplayBlock ? o.displayLevel : 0),
          o.node,
          o.hasValues ? o.values : decltype(o.values){}};
}

int RequiredSlots(const Frame& frame) {
  int highest = 0;
  for (int slot = 0; slot < static_cast<int>(frame.slots.size()); ++slot)
    if (frame.slots[slot].present) highest = slot;
  return std::max({highest + 1, int{frame.objectCount} + 1, int{frame.objectLimit} + 1});
}

}  // namespace

RawState Expected(const Frame& frame) {
  RawState raw;
  raw.nodes.resize(frame.nodes.size());
  const int n = static_cast<int>(frame.order.size());
  for (int p = 0; p < n; ++p) {
    const int id = frame.order[p];
    RawNode& node = raw.nodes[id];
    node.prev = p > 0 ? frame.order[p - 1] : kNone;
    node.next = p + 1 < n ? frame.order[p + 1] : kNone;
    node.level = frame.levelAt[p];
    node.flags = frame.nodes[id].flags;
    node.owner = frame.nodes[id].owner;
  }
  raw.head = n > 0 ? frame.order.front() : kNone;
  raw.tail = n > 0 ? frame.order.back() : kNone;
  for (const Object& o : frame.slots) {
    if (!o.present) {
      raw.slots.emplace_back();
      continue;
    }
    raw.slots.push_back(RawOf(o));
  }
  for (const Type& t : frame.types)
    raw.types.push_back(
        {t.firstSelected, t.firstObject, t.typeObjectCount, t.selectionStamp, t.selectedCount});
  raw.storedFixedValue = frame.storedFixedValue;
  raw.objectCount = frame.objectCount;
  raw.objectLimit = frame.objectLimit;
  raw.eventCount = frame.eventCount;
  return raw;
}

std::string Diff(const RawState& e, const RawState& a) {
  if (e == a) return {};
  std::ostringstream out;
  const auto field = [&](const std::string& what, long long want, long long got) {
    if (want != got) out << "  " << what << ": model " << want << ", plug-in " << got << "\n";
  };
  field("head (node id)", e.head, a.head);
  field("tail (node id)", e.tail, a.tail);
  for (std::size_t i = 0; i < e.nodes.size() && i < a.nodes.size(); ++i) {
    const std::string name = "node " + std::to_string(i) + " ";
    field(name + "prev", e.nodes[i].prev, a.nodes[i].prev);
    field(name + "next", e.nodes[i].next, a.nodes[i].next);
    field(name + "level", e.nodes[i].level, a.nodes[i].level);
    field(name + "flags", e.nodes[i].flags, a.nodes[i].flags);
    field(name + "owner", e.nodes[i].owner, a.nodes[i].owner);
  }
  field("node count", static_cast<long long>(e.nodes.size()),
        static_cast<long long>(a.nodes.size()));
  for (std::size_t s = 0; s < e.slots.size() && s < a.slots.size(); ++s) {
    const std::string name = "slot " + std::to_string(s) + " ";
    field(name + "occupied", e.slots[s].has_value(), a.slots[s].has_value());
    if (!e.slots[s] || !a.slots[s]) continue;
    const RawObject &x = *e.slots[s], &y = *a.slots[s];
    field(name + "number", x.number, y.number);
    field(name + "nextSelected", x.nextSelected, y.nextSelected);
    field(name + "nextOfType", x.nextOfType, y.nextOfType);
    field(name + "creationCount", x.creationCount, y.creationCount);
    field(name + "type", x.type, y.type);
    field(name + "x", x.x, y.x);
    field(name + "y", x.y, y.y);
    field(name + "has values", x.hasValues, y.hasValues);
    field(name + "has display block", x.hasDisplayBlock, y.hasDisplayBlock);
    field(name + "displayLevel", x.displayLevel, y.displayLevel);
    field(name + "displayNode", x.node, y.node);
    for (int i = 0; i < kValueCount; ++i)
      field(name + "alterable value " + std::to_string(i), x.values[i], y.values[i]);
  }
  field("slot count", static_cast<long long>(e.slots.size()),
        static_cast<long long>(a.slots.size()));
  for (std::size_t t = 0; t < e.types.size() && t < a.types.size(); ++t) {
    const std::string name = "type " + std::to_string(t) + " ";
    field(name + "firstSelected", e.types[t].firstSelected, a.types[t].firstSelected);
    field(name + "firstObject", e.types[t].firstObject, a.types[t].firstObject);
    field(name + "typeObjectCount", e.types[t].typeObjectCount, a.types[t].typeObjectCount);
    field(name + "selectionStamp", e.types[t].selectionStamp, a.types[t].selectionStamp);
    field(name + "selectedCount", e.types[t].selectedCount, a.types[t].selectedCount);
  }
  field("storedFixedValue", e.storedFixedValue, a.storedFixedValue);
  field("objectCount", e.objectCount, a.objectCount);
  field("objectLimit", e.objectLimit, a.objectLimit);
  field("eventCount", e.eventCount, a.eventCount);
  return out.str();
}

Layout::Layout(const Frame& frame) {
  slotCount_ = RequiredSlots(frame);
  if (slotCount_ != static_cast<int>(frame.slots.size()))
    LayoutError("the frame's slot count is not the one the host provides");
  if (frame.levelAt.size() != frame.order.size()) LayoutError("a level for every position");

  sim::SceneSpec scene;
  for (const Type& t : frame.types) scene.types.push_back({.name = t.name});
  for (int slot = 0; slot < slotCount_; ++slot) {
    const Object& o = frame.slots[slot];
    if (!o.present) continue;
    sim::ObjectSpec spec{.slot = slot,
                         .type = o.type,
                         .creationCount = o.creationCount,
                         .x = o.x,
                         .y = o.y,
                         .hasValues = o.hasValues,
                         .values = {o.values.begin(), o.values.end()},
                         .hasDisplayBlock = o.hasDisplayBlock};
    if (o.number != slot) spec.number = o.number;
    scene.objects.push_back(spec);
  }
  for (int id : frame.order)
    scene.order.push_back({.slot = frame.nodes[id].owner, .flags = frame.nodes[id].flags});
  if (!frame.levelAt.empty()) scene.firstLevel = frame.levelAt.front();
  scene.objectCount = frame.objectCount;
  scene.objectLimit = frame.objectLimit;
  scene.eventCount = frame.eventCount;
  scene.storedFixedValue = frame.storedFixedValue;
  sim_ = std::make_unique<sim::SimHost>(scene);

  // Node ids: the host made the nodes in list order.
  nodeAddresses_.assign(frame.nodes.size(), 0);
  host::HostAddress at = sim_->runHeader().frame->displayList->head.address();
  for (std::size_t position = 0; position < frame.order.size(); ++position) {
    if (at == 0) LayoutError("the host's list is shorter than the frame's");
    const int id = frame.order[position];
    nodeAddresses_[id] = at;
    nodeIds_[at] = id;
    host::DisplayNode* node = host::HostPtr<host::DisplayNode>(at).get();
    node->level = frame.levelAt[position];
    at = node->next.address();
  }
  if (std::count(nodeAddresses_.begin(), nodeAddresses_.end(), 0u) != 0)
    LayoutError("a node outside the list");

  // Fields the scene does not describe are written raw.
  for (std::size_t t = 0; t < frame.types.size(); ++t) {
    host::ObjectTypeEntry& entry = sim_->Type(static_cast<int>(t));
    typeIds_[host::AddressOf(&entry)] = static_cast<int>(t);
    entry.firstSelected = frame.types[t].firstSelected;
    entry.firstObject = frame.types[t].firstObject;
    entry.typeObjectCount = frame.types[t].typeObjectCount;
    entry.selectionStamp = frame.types[t].selectionStamp;
    entry.selectedCount = frame.types[t].selectedCount;
  }
  objectAddresses_.assign(slotCount_, 0);
  mirrorAddresses_.assign(slotCount_, 0);
  for (std::size_t t = 0; t < frame.types.size(); ++t)
    typeAddresses_.push_back(host::AddressOf(&sim_->Type(static_cast<int>(t))));
  for (int slot = 0; slot < slotCount_; ++slot) {
    const Object& o = frame.slots[slot];
    if (!o.present) continue;
    host::HostObject* object = sim_->Object(slot);
    slotOfObject_[host::AddressOf(object)] = slot;
    objectAddresses_[slot] = host::AddressOf(object);
    if (host::DisplayBlock* block = host::DisplayBlockOf(*object))
      mirrorAddresses_[slot] = host::AddressOf(&block->displayLevel);
    object->nextSelected = o.nextSelected;
    object->nextOfType = o.nextOfType;
    if (host::DisplayBlock* block = host::DisplayBlockOf(*object))
      block->displayLevel = o.displayLevel;
  }
}

int Layout::NodeId(host::HostAddress address) const {
  if (address == 0) return kNone;
  const auto it = nodeIds_.find(address);
  return it == nodeIds_.end() ? kForeign : it->second;
}

RawState Layout::Snapshot() const {
  RawState raw;
  const host::RunHeader& header = sim_->runHeader();
  const host::DisplayList& list = *header.frame->displayList.get();
  raw.head = NodeId(list.head.address());
  raw.tail = NodeId(list.tail.address());
  for (host::HostAddress address : nodeAddresses_) {
    const host::DisplayNode& node = *host::HostPtr<host::DisplayNode>(address).get();
    const host::HostAddress owner = node.owner.address();
    const auto it = slotOfObject_.find(owner);
    raw.nodes.push_back({NodeId(node.prev.address()), NodeId(node.next.address()), node.level,
                         node.flags,
                         owner == 0                  ? kNone
                         : it == slotOfObject_.end() ? kForeign
                                                     : it->second});
  }
  for (int slot = 0; slot < slotCount_; ++slot) {
    const host::HostObject* o = host::ObjectInSlot(header, slot);
    if (o == nullptr) {
      raw.slots.emplace_back();
      continue;
    }
    Object object = ReadObject(*o);
    const auto type = typeIds_.find(o->typeEntry.address());
    object.type = type == typeIds_.end() ? kForeign : type->second;
    object.node = NodeId(o->displayNode.address());
    raw.slots.push_back(RawOf(object));
  }
  for (std::size_t t = 0; t < typeIds_.size(); ++t) {
    const host::ObjectTypeEntry& e = sim_->Type(static_cast<int>(t));
    raw.types.push_back(
        {e.firstSelected, e.firstObject, e.typeObjectCount, e.selectionStamp, e.selectedCount});
  }
  raw.storedFixedValue = sim_->runData().storedFixedValue;
  raw.objectCount = header.objectCount;
  raw.objectLimit = header.objectLimit;
  raw.eventCount = header.eventCount;
  return raw;
}

// Read through the address space alone (no pointer resolution), so that a
// sort's thousands of refreshes can each take one.
std::uint64_t Layout::RecordsDigest() const {
  const sim::AddressSpace& space = sim_->space();
  std::uint64_t shares = 0;
  for (std::size_t id = 0; id < nodeAddresses_.size(); ++id) {
    const auto* node = space.At<host::DisplayNode>(nodeAddresses_[id]);
    shares +=
        NodeShare(static_cast<int>(id), node->prev.address(), node->next.address(), node->level);
  }
  for (int slot = 0; slot < slotCount_; ++slot) {
    if (objectAddresses_[slot] == 0) continue;
    const auto* object = space.At<host::HostObject>(objectAddresses_[slot]);
    const std::uint16_t mirror =
        mirrorAddresses_[slot] != 0 ? *space.At<std::uint16_t>(mirrorAddresses_[slot]) : 0;
    shares += SlotShare(slot, object->nextSelected, mirror);
  }
  for (std::size_t t = 0; t < typeAddresses_.size(); ++t) {
    const auto* type = space.At<host::ObjectTypeEntry>(typeAddresses_[t]);
    shares += TypeShare(t, type->firstSelected, type->selectedCount, type->selectionStamp);
  }
  const host::RunHeader& header = sim_->runHeader();
  const auto* frame = space.At<host::Frame>(header.frame.address());
  const auto* list = space.At<host::DisplayList>(frame->displayList.address());
  return Whole(list->head.address(), list->tail.address(), sim_->runData().storedFixedValue,
               shares);
}

std::uint64_t Layout::FrameDigest(const Frame& frame) const {
  const auto address = [&](int position) -> host::HostAddress {
    if (position < 0 || position >= static_cast<int>(frame.order.size())) return 0;
    return nodeAddresses_[frame.order[position]];
  };
  std::uint64_t shares = 0;
  for (int p = 0; p < static_cast<int>(frame.order.size()); ++p)
    shares += NodeShare(frame.order[p], address(p - 1), address(p + 1), frame.levelAt[p]);
  for (int slot = 0; slot < slotCount_; ++slot) {
    const Object& o = frame.slots[slot];
    if (!o.present) continue;
    shares += SlotShare(slot, o.nextSelected, o.hasDisplayBlock ? o.displayLevel : 0);
  }
  for (std::size_t t = 0; t < frame.types.size(); ++t) {
    const Type& type = frame.types[t];
    shares += TypeShare(t, type.firstSelected, type.selectedCount, type.selectionStamp);
  }
  const int last = static_cast<int>(frame.order.size()) - 1;
  return Whole(address(0), address(last), frame.storedFixedValue, shares);
}

std::optional<Frame> ReadFrame(const sim::SimHost& sim) {
  const host::RunHeader& header = sim.runHeader();
  const sim::SceneSpec& scene = sim.scene();
  Frame frame;
  frame.objectCount = header.objectCount;
  frame.objectLimit = header.objectLimit;
  frame.eventCount = header.eventCount;
  frame.storedFixedValue = sim.StoredFixedValue();
  int slotCount = std::max(int{frame.objectCount} + 1, int{frame.objectLimit} + 1);
  for (const sim::ObjectSpec& object : scene.objects)
    slotCount = std::max(slotCount, object.slot + 1);
  frame.slots.resize(static_cast<std::size_t>(slotCount));
  std::unordered_map<host::HostAddress, int> slotAt;
  for (const sim::ObjectSpec& spec : scene.objects)
    if (const host::HostObject* object = sim.Object(spec.slot)) {
      frame.slots[spec.slot] = ReadObject(*object);
      frame.slots[spec.slot].type = spec.type;
      slotAt[host::AddressOf(object)] = spec.slot;
    }

  // The list from head, node ids by position; bounded so that a loop ends it.
  std::unordered_map<host::HostAddress, int> nodeAt;
  const std::size_t bound = static_cast<std::size_t>(slotCount) + scene.order.size() + 1;
  for (host::HostAddress at = header.frame->displayList->head.address(); at != 0;) {
    if (frame.order.size() > bound) return std::nullopt;
    const host::DisplayNode& node = *host::HostPtr<host::DisplayNode>(at).get();
    model::Node entry;
    entry.flags = node.flags;
    if (node.owner) {
      const auto owner = slotAt.find(node.owner.address());
      if (owner == slotAt.end()) return std::nullopt;
      entry.owner = owner->second;
    }
    const int id = static_cast<int>(frame.nodes.size());
    nodeAt[at] = id;
    frame.nodes.push_back(entry);
    frame.order.push_back(id);
    frame.levelAt.push_back(node.level);
    at = node.next.address();
  }
  for (int slot = 0; slot < slotCount; ++slot) {
    const host::HostObject* object = sim.Object(slot);
    if (object == nullptr || !frame.slots[slot].present || !object->displayNode) continue;
    const auto node = nodeAt.find(object->displayNode.address());
    if (node == nodeAt.end() || frame.nodes[node->second].owner != slot) return std::nullopt;
    frame.slots[slot].node = node->second;
  }

  for (std::size_t t = 0; t < scene.types.size(); ++t) {
    const host::ObjectTypeEntry& entry = sim.Type(static_cast<int>(t));
    frame.types.push_back({.name = scene.types[t].name,
                           .firstSelected = entry.firstSelected,
                           .firstObject = entry.firstObject,
                           .typeObjectCount = entry.typeObjectCount,
                           .selectionStamp = entry.selectionStamp,
                           .selectedCount = entry.selectedCount});
  }
  return frame;
}

}  // namespace tier::bridge
