#include "simhost/sim_host.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "simhost/record_watch.h"

namespace tier::sim {

using host::DisplayBlock;
using host::DisplayList;
using host::DisplayNode;
using host::Frame;
using host::HostObject;
using host::HostPtr;
using host::ObjectSlot;
using host::ObjectTypeEntry;
using host::RunData;
using host::RunHeader;

namespace {

// Where an object record keeps its display block and its alterable values.
constexpr std::size_t kObjectSize = sizeof(HostObject);
constexpr std::size_t kDisplayBlockSize = 0x10;
constexpr std::size_t kValuesSize = 4 * host::kAlterableValueCount;

std::size_t CapacityFor(const SceneSpec& scene, int slots) {
  std::size_t bytes = 64 * 1024 + scene.parameterBytes;  // run records, parameters, texts
  for (const TypeSpec& type : scene.types) bytes += 0x60 + type.name.size() + 32;
  bytes += scene.objects.size() * (kObjectSize + kDisplayBlockSize + kValuesSize + 32);
  bytes += scene.order.size() * (sizeof(DisplayNode) + 32);
  bytes += static_cast<std::size_t>(slots) * sizeof(ObjectSlot) + 32;
  return bytes + bytes / 2;
}

// A scene that cannot be laid out: the scene files' parser refuses every
// such scene first, so only a broken test or program gets here.
[[noreturn]] void SceneError(const std::string& what) {
  std::fprintf(stderr, "simulated host: bad scene: %s\n", what.c_str());
  std::abort();
}

// The host whose service the plug-in calls: the one in effect. The call's
// RunData is logged as it came, for the contract to judge.
SimHost* ServiceHost(std::uint32_t runData) {
  SimHost* host = SimHost::InEffect();
  if (host == nullptr) {
    std::fprintf(stderr,
                 "simulated host: a service called with RunData 0x%08X and no host in effect\n",
                 static_cast<unsigned>(runData));
    std::abort();
  }
  return host;
}

}  // namespace

SimHost::SimHost(const SceneSpec& scene)
    : scene_(scene), space_(CapacityFor(scene, [&] {
        int highest = 0;
        for (const ObjectSpec& o : scene.objects) highest = std::max(highest, o.slot);
        int slots = highest + 1;
        if (scene.objectCount) slots = std::max(slots, int{*scene.objectCount} + 1);
        if (scene.objectLimit) slots = std::max(slots, int{*scene.objectLimit} + 1);
        return slots;
      }())) {
  session_.host = this;
  session_.refreshSink = [this](HostAddress frame, HostAddress node, std::int32_t flag) {
    OnRefresh(frame, node, flag);
  };
#if !TIER_WIN32
  session_.memory = &space_.view();
#endif

  int highest = 0;
  for (const ObjectSpec& o : scene_.objects) {
    if (o.slot < 0 || o.slot > 32767) SceneError("object slot out of range");
    if (o.type < 0 || o.type >= static_cast<int>(scene_.types.size()))
      SceneError("object of an unknown type");
    highest = std::max(highest, o.slot);
  }
  const std::uint16_t objectCount =
      scene_.objectCount.value_or(static_cast<std::uint16_t>(highest));
  const std::int16_t objectLimit = scene_.objectLimit.value_or(static_cast<std::int16_t>(highest));
  slotCount_ = std::max({highest + 1, int{objectCount} + 1, int{objectLimit} + 1});

  // Run records.
  runData_ = Allocate(RecordKind::RunData, sizeof(RunData));
  runHeader_ = Allocate(RecordKind::RunHeader, sizeof(RunHeader));
  frame_ = Allocate(RecordKind::Frame, sizeof(Frame));
  displayList_ = Allocate(RecordKind::DisplayList, sizeof(DisplayList));
  objectTable_ =
      Allocate(RecordKind::ObjectTable, sizeof(ObjectSlot) * static_cast<std::size_t>(slotCount_));
  LayOutTypesAndObjects();
  LinkTypeChains();
  LinkDisplayList();

  space_.At<Frame>(frame_)->displayList = HostPtr<DisplayList>(displayList_);
  RunHeader* header = space_.At<RunHeader>(runHeader_);
  header->frame = HostPtr<Frame>(frame_);
  header->objectCount = objectCount;
  header->objectLimit = objectLimit;
  header->objectTypeList = typeList_;
  header->eventCount = scene_.eventCount;
  header->getExpressionParameter = session_.Offer(&SimHost::ExpressionParameterService);
  header->getNextParameter = session_.Offer(&SimHost::NextParameterService);
  header->objectTable = HostPtr<ObjectSlot>(objectTable_);
  RunData* data = space_.At<RunData>(runData_);
  data->runHeader = HostPtr<RunHeader>(runHeader_);
  data->storedFixedValue = scene_.storedFixedValue;
}

// Type entries, each its own record (the list base is the first one), then
// the objects in their slots with their display blocks and values.
void SimHost::LayOutTypesAndObjects() {
  for (const TypeSpec& type : scene_.types) {
    const HostAddress entry = Allocate(RecordKind::ObjectTypeEntry,
                                       offsetof(ObjectTypeEntry, name) + type.name.size() + 1);
    std::memcpy(space_.At<ObjectTypeEntry>(entry)->name, type.name.c_str(), type.name.size() + 1);
    types_.push_back(entry);
  }
  typeList_ = types_.empty() ? Allocate(RecordKind::ObjectTypeEntry, sizeof(ObjectTypeEntry))
                             : types_.front();

  objects_.assign(static_cast<std::size_t>(slotCount_), 0);
  for (const ObjectSpec& spec : scene_.objects) {
    if (objects_[spec.slot] != 0) SceneError("two objects in one slot");
    std::size_t size = kObjectSize;
    std::int32_t displayOffset = 0, valuesOffset = 0;
    if (spec.hasDisplayBlock) {
      displayOffset = static_cast<std::int32_t>(size);
      size += kDisplayBlockSize;
    }
    if (spec.hasValues) {
      valuesOffset = static_cast<std::int32_t>(size);
      size += kValuesSize;
    }
    const HostAddress address = Allocate(RecordKind::HostObject, size);
    HostObject* object = space_.At<HostObject>(address);
    object->number = spec.number.value_or(static_cast<std::int16_t>(spec.slot));
    object->nextSelected = -1;
    object->nextOfType = -1;
    object->creationCount = spec.creationCount;
    object->typeEntry = HostPtr<ObjectTypeEntry>(types_[spec.type]);
    object->x = spec.x;
    object->y = spec.y;
    object->valuesOffset = valuesOffset;
    object->displayBlockOffset = displayOffset;
    if (spec.hasValues && !spec.values.empty()) {  // memcpy from an empty vector's null data is UB
      if (spec.values.size() > static_cast<std::size_t>(host::kAlterableValueCount))
        SceneError("more alterable values than a block holds");
      std::memcpy(space_.Pointer(address + valuesOffset, kValuesSize), spec.values.data(),
                  spec.values.size() * 4);
    }
    objects_[spec.slot] = address;
    space_.At<ObjectSlot>(objectTable_ + sizeof(ObjectSlot) * spec.slot)->object =
        HostPtr<HostObject>(address);
  }
}

// Type chains in the order the objects were listed, and the selections.
void SimHost::LinkTypeChains() {
  for (std::size_t t = 0; t < scene_.types.size(); ++t) {
    const TypeSpec& spec = scene_.types[t];
    ObjectTypeEntry* entry = space_.At<ObjectTypeEntry>(types_[t]);
    std::int16_t count = 0;
    HostObject* previous = nullptr;
    entry->firstObject = -1;
    for (const ObjectSpec& o : scene_.objects) {
      if (o.type != static_cast<int>(t)) continue;
      if (previous == nullptr)
        entry->firstObject = static_cast<std::int16_t>(o.slot);
      else
        previous->nextOfType = static_cast<std::int16_t>(o.slot);
      previous = Object(o.slot);
      ++count;
    }
    entry->typeObjectCount = spec.typeObjectCount.value_or(count);

    for (std::size_t i = 0; i < spec.selected.size(); ++i) {
      const int slot = spec.selected[i];
      if (slot < 0 || slot >= slotCount_ || objects_[slot] == 0)
        SceneError("selection names a free slot");
      Object(slot)->nextSelected = i + 1 < spec.selected.size()
                                       ? static_cast<std::int16_t>(spec.selected[i + 1])
                                       : host::kEndOfChain;
    }
    entry->firstSelected = spec.firstSelected.value_or(
        spec.selected.empty() ? std::int16_t{-1} : static_cast<std::int16_t>(spec.selected[0]));
    entry->selectedCount =
        spec.selectedCount.value_or(static_cast<std::int16_t>(spec.selected.size()));
    entry->selectionStamp = spec.selectionStamp.value_or(
        spec.selectionCurrent ? scene_.eventCount
                              : static_cast<std::uint16_t>(scene_.eventCount - 1));
  }
}

// The display list, back to front, each owner's display block mirroring its level.
void SimHost::LinkDisplayList() {
  for (std::size_t i = 0; i < scene_.order.size(); ++i) {
    const NodeSpec& spec = scene_.order[i];
    const HostAddress address = Allocate(RecordKind::DisplayNode, sizeof(DisplayNode));
    DisplayNode* node = space_.At<DisplayNode>(address);
    node->flags = spec.flags;
    node->level = static_cast<std::uint16_t>(scene_.firstLevel + i);
    if (spec.slot >= 0) {
      if (spec.slot >= slotCount_ || objects_[spec.slot] == 0)
        SceneError("display node of a free slot");
      HostObject* owner = Object(spec.slot);
      if (owner->displayNode) SceneError("two display nodes for one object");
      node->owner = HostPtr<HostObject>(objects_[spec.slot]);
      owner->displayNode = HostPtr<DisplayNode>(address);
      if (DisplayBlock* block = host::DisplayBlockOf(*owner)) block->displayLevel = node->level;
    }
    nodeIndex_.emplace(address, nodes_.size());
    nodes_.push_back(address);
  }
  for (std::size_t i = 0; i < nodes_.size(); ++i) {
    DisplayNode* node = space_.At<DisplayNode>(nodes_[i]);
    node->prev = HostPtr<DisplayNode>(i > 0 ? nodes_[i - 1] : 0);
    node->next = HostPtr<DisplayNode>(i + 1 < nodes_.size() ? nodes_[i + 1] : 0);
  }
  DisplayList* list = space_.At<DisplayList>(displayList_);
  list->head = HostPtr<DisplayNode>(nodes_.empty() ? 0 : nodes_.front());
  list->tail = HostPtr<DisplayNode>(nodes_.empty() ? 0 : nodes_.back());
}

SimHost::~SimHost() = default;

RecordWatch& SimHost::Watch() {
  if (watch_ == nullptr) watch_ = std::make_unique<RecordWatch>(*this);
  return *watch_;
}

SimHost* SimHost::InEffect() {
  const HostSession* session = HostSession::InEffect();
  return session != nullptr ? session->host : nullptr;
}

void SimHost::CheckAccesses([[maybe_unused]] bool checked) {
#if !TIER_WIN32
  space_.CheckAccesses(checked);
#endif
}

RunData& SimHost::runData() const { return *space_.At<RunData>(runData_); }
RunHeader& SimHost::runHeader() const { return *space_.At<RunHeader>(runHeader_); }

std::int32_t SimHost::ObjectParamWord(int type) {
  const HostAddress address = Allocate(RecordKind::ObjectParam, sizeof(host::ObjectParam));
  space_.At<host::ObjectParam>(address)->typeOffset =
      static_cast<std::int16_t>(types_.at(type) - typeList_);
  objectParams_.push_back(address);
  return static_cast<std::int32_t>(address);
}

std::int32_t SimHost::ActionObjectWord(int type) {
  const std::int16_t first = Type(type).firstObject;
  if (first >= 0) return static_cast<std::int32_t>(objects_[first]);
  const HostAddress address = Allocate(RecordKind::HostObject, sizeof(HostObject));
  HostObject* object = space_.At<HostObject>(address);
  object->number = -1;
  object->typeEntry = HostPtr<ObjectTypeEntry>(types_.at(type));
  detachedObjects_.push_back(address);
  return static_cast<std::int32_t>(address);
}

std::int32_t SimHost::AltValueParamWord(std::int16_t index) {
  const HostAddress address = Allocate(RecordKind::AltValueParam, sizeof(host::AltValueParam));
  space_.At<host::AltValueParam>(address)->valueIndex = index;
  return static_cast<std::int32_t>(address);
}

void SimHost::QueueNextParameters(const std::vector<std::int32_t>& words) {
  nextParameters_.insert(nextParameters_.end(), words.begin(), words.end());
}

void SimHost::SetExpressionInteger(std::int32_t value) {
  expressionValue_ = static_cast<std::uint32_t>(value);
}

void SimHost::SetExpressionText(const std::string& text) {
  // A text of the last one's size takes its record again, so that a long run
  // of calls with one argument stays in bounded room; any other takes a record
  // of exactly its size, so that a read past its end stays a stray access.
  const std::size_t size = text.size() + 1;
  if (textRecord_ == 0 || textRecordSize_ != size) {
    textRecord_ = Allocate(RecordKind::TextArgument, size);
    textRecordSize_ = size;
  }
  std::memcpy(space_.Pointer(textRecord_, size), text.c_str(), size);
  if (watch_ != nullptr) watch_->Note(textRecord_, size);
  expressionValue_ = textRecord_;
}

void SimHost::SetExpressionNullText() { expressionValue_ = 0; }

HostAddress SimHost::TextArgumentAddress(const std::string& text) {
  const HostAddress address = Allocate(RecordKind::TextArgument, text.size() + 1);
  std::memcpy(space_.Pointer(address, text.size() + 1), text.c_str(), text.size() + 1);
  return address;
}

HostAddress SimHost::Allocate(RecordKind kind, std::size_t size) {
  const HostAddress address = space_.Allocate(size);
  blocks_.Add(address, static_cast<std::uint32_t>(size), kind);
  return address;
}

void SimHost::OpenCall(std::uint32_t first, std::uint32_t second) {
  callOpen_ = true;
  callWords_ = {first, second, expressionValue_};
  for (const std::int32_t word : nextParameters_)
    callWords_.push_back(static_cast<std::uint32_t>(word));
}

void SimHost::CloseCall() {
  callOpen_ = false;
  callWords_.clear();
}

bool SimHost::IsParameterLive(HostAddress start) const {
  return !callOpen_ || std::find(callWords_.begin(), callWords_.end(), start) != callWords_.end();
}

std::uint32_t SimHost::NextParameter() {
  if (nextParameters_.empty()) return 0;
  const std::int32_t word = nextParameters_.front();
  nextParameters_.pop_front();
  return static_cast<std::uint32_t>(word);
}

std::uint32_t TIER_STDCALL SimHost::NextParameterService(std::uint32_t runData, std::uint32_t a,
                                                         std::uint32_t b) {
  SimHost* self = ServiceHost(runData);
  self->nextParameterCalls_.push_back({runData, a, b});
  if (self->serviceObserver_) self->serviceObserver_();
  return self->NextParameter();
}

std::uint32_t TIER_STDCALL SimHost::ExpressionParameterService(std::uint32_t runData,
                                                               std::uint32_t kind,
                                                               std::uint32_t token) {
  SimHost* self = ServiceHost(runData);
  self->expressionCalls_.push_back({runData, kind, token});
  if (self->serviceObserver_) self->serviceObserver_();
  return self->expressionValue_;
}

void SimHost::OnRefresh(HostAddress frame, HostAddress node, std::int32_t flag) {
  // No routine refreshes millions of nodes: stop a runaway loop before the log
  // takes all the machine's memory. The linked-in code cannot be stopped
  // within a call, so the process ends here.
  constexpr std::size_t kMostRefreshesLogged = std::size_t{1} << 22;
  if (refreshes_.size() >= kMostRefreshesLogged) {
    std::fprintf(stderr, "simulated host: over %zu RefreshNode calls logged: a runaway loop\n",
                 kMostRefreshesLogged);
    std::abort();
  }
  refreshes_.push_back({frame, node, flag});
  if (serviceObserver_) serviceObserver_();
}

std::vector<int> SimHost::RefreshedSlots() const {
  std::vector<int> slots;
  for (const RefreshCall& call : refreshes_) {
    const DisplayNode* node = space_.At<DisplayNode>(call.node);
    slots.push_back(node->owner ? space_.At<HostObject>(node->owner.address())->number : -1);
  }
  return slots;
}

void SimHost::ClearLogs() {
  refreshes_.clear();
  nextParameterCalls_.clear();
  expressionCalls_.clear();
}

HostObject* SimHost::Object(int slot) const {
  if (slot < 0 || slot >= slotCount_ || objects_[slot] == 0) return nullptr;
  return space_.At<HostObject>(objects_[slot]);
}

DisplayNode* SimHost::Node(int slot) const {
  HostObject* object = Object(slot);
  return object != nullptr && object->displayNode
             ? space_.At<DisplayNode>(object->displayNode.address())
             : nullptr;
}

ObjectTypeEntry& SimHost::Type(int type) const {
  return *space_.At<ObjectTypeEntry>(types_.at(type));
}

std::int32_t SimHost::FixedValue(int slot) const { return host::FixedValueOf(*Object(slot)); }

std::optional<std::uint16_t> SimHost::DisplayLevel(int slot) const {
  const HostObject* object = Object(slot);
  if (object == nullptr || object->displayBlockOffset == 0) return std::nullopt;
  return space_.At<DisplayBlock>(objects_[slot] + object->displayBlockOffset)->displayLevel;
}

std::vector<int> SimHost::SelectedChain(int type) const {
  std::vector<int> chain;
  const ObjectTypeEntry& entry = Type(type);
  int slot = entry.firstSelected;
  for (int i = 0; i < entry.selectedCount && slot >= 0; ++i) {
    chain.push_back(slot);
    const HostObject* object = Object(slot);
    if (object == nullptr) break;
    slot = object->nextSelected;
  }
  return chain;
}

std::int32_t SimHost::StoredFixedValue() const { return runData().storedFixedValue; }

std::vector<const DisplayNode*> SimHost::WalkFromHead() const {
  std::vector<const DisplayNode*> walked;
  HostAddress at = space_.At<DisplayList>(displayList_)->head.address();
  for (std::size_t i = 0; at != 0 && i <= nodes_.size(); ++i) {
    walked.push_back(space_.At<DisplayNode>(at));
    at = walked.back()->next.address();
  }
  return walked;
}

std::vector<int> SimHost::Order() const {
  std::vector<int> order;
  for (const DisplayNode* node : WalkFromHead())
    order.push_back(node->owner ? space_.At<HostObject>(node->owner.address())->number : -1);
  return order;
}

std::vector<std::uint16_t> SimHost::Levels() const {
  std::vector<std::uint16_t> levels;
  for (const DisplayNode* node : WalkFromHead()) levels.push_back(node->level);
  return levels;
}

std::string SimHost::CheckInvariants() const {
  std::ostringstream errors;
  const DisplayList* list = space_.At<DisplayList>(displayList_);
  const HostAddress head = list->head.address(), tail = list->tail.address();
  if ((head == 0) != (tail == 0)) errors << "head and tail disagree on emptiness; ";
  if (head != 0 && space_.At<DisplayNode>(head)->prev) errors << "head has a prev; ";
  if (tail != 0 && space_.At<DisplayNode>(tail)->next) errors << "tail has a next; ";
  // The nodes the host made, and whether the walk reached each: a node's
  // index comes from the table made with the list, so one step costs no pass
  // over the nodes.
  const std::size_t count = nodes_.size();
  const auto indexOf = [&](HostAddress at) -> std::size_t {
    const auto found = nodeIndex_.find(at);
    return found != nodeIndex_.end() ? found->second : count;
  };
  std::vector<std::uint8_t> reached(count, 0);
  std::size_t walked = 0;
  bool twice = false;
  HostAddress previous = 0;
  for (HostAddress at = head; at != 0;) {
    if (walked > count) {
      errors << "the list from head is longer than its nodes (a cycle); ";
      break;
    }
    const std::size_t index = indexOf(at);
    if (index == count) {
      errors << "the list reaches a node the host never made; ";
      break;
    }
    twice = twice || reached[index] != 0;
    reached[index] = 1;
    const DisplayNode* node = space_.At<DisplayNode>(at);
    if (node->prev.address() != previous)
      errors << "node " << walked << " has a prev that is not its neighbour; ";
    const auto expected = static_cast<std::uint16_t>(scene_.firstLevel + walked);
    if (node->level != expected)
      errors << "node " << walked << " has level " << node->level << ", expected " << expected
             << "; ";
    if (node->owner && !(node->flags & host::kUncounted)) {
      const HostObject* owner = space_.At<HostObject>(node->owner.address());
      if (owner->displayBlockOffset != 0) {
        const auto* block =
            space_.At<DisplayBlock>(node->owner.address() + owner->displayBlockOffset);
        if (block->displayLevel != node->level)
          errors << "node " << walked << " has level " << node->level
                 << " but its owner's displayLevel is " << block->displayLevel << "; ";
      }
    }
    ++walked;
    previous = at;
    at = node->next.address();
  }
  if (previous != tail) errors << "following next from head does not end at tail; ";
  if (walked != nodes_.size())
    errors << "the list holds " << walked << " of " << nodes_.size() << " nodes; ";
  if (twice) errors << "a node appears twice; ";
  return errors.str();
}

std::string SimHost::Dump() const {
  std::ostringstream out;
  out << "  pos  level  slot  name             fixed value  flags\n";
  const std::vector<const DisplayNode*> walked = WalkFromHead();
  for (std::size_t i = 0; i < walked.size(); ++i) {
    const DisplayNode* node = walked[i];
    char line[160];
    if (node->owner) {
      const HostObject* owner = space_.At<HostObject>(node->owner.address());
      std::snprintf(line, sizeof line, "  %3zu  %5u  %4d  %-16s %12ld  %s%s\n", i + 1,
                    unsigned{node->level}, owner->number,
                    space_.At<ObjectTypeEntry>(owner->typeEntry.address())->name,
                    static_cast<long>(host::FixedValueOf(*owner)),
                    node->flags & host::kUncounted ? "uncounted " : "",
                    node->flags & host::kNoRefresh ? "noRefresh" : "");
    } else {
      std::snprintf(line, sizeof line, "  %3zu  %5u     -  (no owner)\n", i + 1,
                    unsigned{node->level});
    }
    out << line;
  }
  if (walked.empty()) out << "  (empty list)\n";
  return out.str();
}

}  // namespace tier::sim
