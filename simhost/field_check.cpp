#include "simhost/field_check.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>

#include "host/records.h"
#include "simhost/sim_host.h"
#include "support/hex.h"

namespace tier::sim {
namespace {

using host::FieldRule;
using host::FieldUse;

// How far past a block's end a byte is still told as a byte of that block
// (the host keeps its blocks this far apart).
constexpr std::uint32_t kPastEndReach = 16;

struct RecordRules {
  const char* record;
  std::span<const FieldRule> fields;
};

RecordRules RulesOf(RecordKind kind) {
  switch (kind) {
    case RecordKind::RunData:
      return {"RunData", host::kRunDataRules};
    case RecordKind::RunHeader:
      return {"RunHeader", host::kRunHeaderRules};
    case RecordKind::Frame:
      return {"Frame", host::kFrameRules};
    case RecordKind::DisplayList:
      return {"DisplayList", host::kDisplayListRules};
    case RecordKind::ObjectTable:
      return {"ObjectTable", host::kObjectSlotRules};
    case RecordKind::ObjectTypeEntry:
      return {"ObjectTypeEntry", host::kObjectTypeEntryRules};
    case RecordKind::HostObject:
      return {"HostObject", host::kHostObjectRules};
    case RecordKind::DisplayNode:
      return {"DisplayNode", host::kDisplayNodeRules};
    case RecordKind::ObjectParam:
      return {"ObjectParam", host::kObjectParamRules};
    case RecordKind::AltValueParam:
      return {"AltValueParam", host::kAltValueParamRules};
    case RecordKind::TextArgument:
      return {"text argument", host::kTextArgumentRules};
  }
  return {"?", {}};
}

// One byte as the contract sees it: the record it lies in, its field, and
// whether the plug-in may touch it.
struct Byte {
  std::string record;  // empty: in no block
  std::uint32_t offset = 0;
  int digits = 2;
  std::string field;  // empty: no field of ours
  std::string note;   // said after the field: why a conditional range is absent
  const FieldRule* rule = nullptr;
  bool pastEnd = false;
  bool staleParameter = false;
  // How many bytes from this one on lie under the same rule of the same
  // block, and so are allowed or refused alike.
  std::uint32_t sameRule = 1;
};

// The rule in `rules` that covers byte `offset` of a record that starts at
// `start` in `host`'s memory and ends at `end`; `sameRule` as Byte has it.
const FieldRule* RuleAt(const SimHost& host, std::span<const FieldRule> rules, HostAddress start,
                        std::uint32_t offset, std::uint32_t end, std::uint32_t& sameRule) {
  sameRule = 1;
  for (const FieldRule& rule : rules) {
    if (offset < rule.offset) continue;
    if (!rule.toTerminator) {
      if (offset < rule.offset + rule.size) {
        sameRule = rule.offset + rule.size - offset;
        return &rule;
      }
      continue;
    }
    // A text: every byte up to and including its terminator, within the block.
    const char* text = static_cast<const char*>(host.space().Pointer(start + rule.offset, 1));
    const std::uint32_t room = end > rule.offset ? end - rule.offset : 0;
    const std::uint32_t length =
        static_cast<std::uint32_t>(strnlen(text, room));  // the terminator at `length`
    if (offset <= rule.offset + length && offset < end) return &rule;
  }
  return nullptr;
}

// Byte `offset` of a HostObject's block: the header, its display block or its
// alterable values, each where the header puts it. The names and notes only
// when `named`: a message needs them, the check alone does not.
void LocateInObject(const SimHost& host, const HostBlock& block, std::uint32_t offset, bool named,
                    Byte& b) {
  const auto* object = static_cast<const host::HostObject*>(
      host.space().Pointer(block.start, sizeof(host::HostObject)));
  const auto display = static_cast<std::uint32_t>(object->displayBlockOffset);
  const auto values = static_cast<std::uint32_t>(object->valuesOffset);
  if (object->displayBlockOffset != 0 && offset >= display &&
      offset < display + sizeof(host::DisplayBlock)) {
    if (named) b.record = "display block";
    b.offset = offset - display;
    b.rule = RuleAt(host, host::kDisplayBlockRules, block.start + display, b.offset,
                    sizeof(host::DisplayBlock), b.sameRule);
    return;
  }
  if (object->valuesOffset != 0 && offset >= values) {
    const std::uint32_t index = (offset - values) / 4;
    if (named) b.field = "alterable value " + std::to_string(index);
    if (index < static_cast<std::uint32_t>(host::kAlterableValueCount)) {
      b.rule = &host::kAlterableValueRules[0];
      b.sameRule = 4 - (offset - values) % 4;
    } else if (named) {
      b.note = ", beyond the " + std::to_string(host::kAlterableValueCount) + " the object holds";
    }
  } else if (offset < sizeof(host::HostObject)) {
    b.rule = RuleAt(host, host::kHostObjectRules, block.start, offset, block.size, b.sameRule);
    if (object->valuesOffset != 0 && values > offset)
      b.sameRule = std::min(b.sameRule, values - offset);
    const std::uint32_t level = offsetof(host::DisplayBlock, displayLevel);
    if (named && b.rule == nullptr && object->displayBlockOffset == 0 && offset >= level &&
        offset < level + sizeof(std::uint16_t)) {
      b.field = "displayLevel";
      b.note = " of a display block the object lacks (displayBlockOffset is 0)";
    }
  }
  if (object->displayBlockOffset != 0 && display > offset)
    b.sameRule = std::min(b.sameRule, display - offset);
}

// Where byte `address` lies and the rule that covers it, `block` being the
// host's block at or before it; with its record's and field's names when
// `named`.
Byte Locate(const SimHost& host, const HostBlock* block, HostAddress address, bool named) {
  Byte b;
  if (block == nullptr) return b;
  const std::uint32_t offset = address - block->start;
  b.pastEnd = offset >= block->size;
  if (b.pastEnd && offset >= block->size + kPastEndReach) return b;
  const RecordRules rules = RulesOf(block->kind);
  if (named) b.record = rules.record;
  b.offset = offset;
  b.digits = block->kind == RecordKind::RunHeader ? 3 : 2;  // as its offsets are written
  if (block->kind == RecordKind::HostObject) {
    LocateInObject(host, *block, offset, named, b);
  } else if (block->kind == RecordKind::ObjectTable) {
    const std::uint32_t slot = offset / sizeof(host::ObjectSlot);
    b.rule = RuleAt(host, rules.fields, block->start, offset % sizeof(host::ObjectSlot),
                    sizeof(host::ObjectSlot), b.sameRule);
    if (named && b.rule != nullptr) b.field = "object of slot " + std::to_string(slot);
  } else {
    b.rule = RuleAt(host, rules.fields, block->start, offset, block->size, b.sameRule);
  }
  if (b.pastEnd) b.rule = nullptr;
  if (!b.pastEnd) b.sameRule = std::min(b.sameRule, block->size - offset);
  if (named && b.rule != nullptr && b.field.empty()) b.field = std::string(b.rule->name);
  const bool parameter = block->kind == RecordKind::ObjectParam ||
                         block->kind == RecordKind::AltValueParam ||
                         block->kind == RecordKind::TextArgument;
  b.staleParameter = parameter && !host.IsParameterLive(block->start);
  return b;
}

Byte Locate(const SimHost& host, HostAddress address) {
  return Locate(host, host.Blocks().AtOrBefore(address), address, true);
}

bool Allows(const Byte& b, AccessKind kind) {
  if (b.rule == nullptr || b.staleParameter) return false;
  return kind == AccessKind::Read ? host::MayRead(b.rule->use) : host::MayWrite(b.rule->use);
}

AccessBreach Describe(const Byte& b, HostAddress address, std::uint32_t size, AccessKind kind) {
  AccessBreach breach;
  breach.kind = kind;
  breach.size = size;
  breach.address = address;
  breach.record = b.record;
  breach.field = b.field;
  if (b.record.empty()) {
    breach.place = Hex(address, 8);
    breach.rule = "which lies in no block of the host";
    return breach;
  }
  breach.place = b.record + "+" + Hex(b.offset, b.digits) + " (" +
                 (b.field.empty() ? "no field of ours" : b.field) + b.note + ")";
  if (b.pastEnd)
    breach.rule = "past the end of the block, which belongs to the host alone";
  else if (b.staleParameter)
    breach.rule = "a parameter record the host handed to another call";
  else if (b.rule == nullptr)
    breach.rule = "which belongs to the host alone";
  else if (kind == AccessKind::Write)
    breach.rule = "which the plug-in may only read";
  else
    breach.rule = "which the plug-in may only write";
  return breach;
}

}  // namespace

void BlockMap::Add(HostAddress start, std::uint32_t size, RecordKind kind) {
  if (blocks_.empty()) index_ = host::RecordIndex(start);
  index_.Add(start, size);
  blocks_.push_back({start, size, kind});
}

const HostBlock* BlockMap::AtOrBefore(HostAddress address) const {
  const std::size_t count = index_.CountAtOrBelow(address);
  return count == 0 ? nullptr : &blocks_[count - 1];
}

std::string AccessBreach::Message() const {
  const std::string verb = kind == AccessKind::Write ? "wrote " : "read ";
  const std::string bytes = std::to_string(size) + (size == 1 ? " byte" : " bytes");
  return verb + bytes + " at " + PlaceAndRule();
}

std::optional<AccessBreach> CheckAccess(const SimHost& host, HostAddress address,
                                        std::uint32_t size, AccessKind kind) {
  // Every access of the library comes here: its block is found once, and
  // names are made only for the message of a byte that breaks the rules.
  const HostBlock* block = host.Blocks().AtOrBefore(address);
  for (std::uint32_t i = 0; i < size;) {
    const HostAddress at = address + i;
    if (block != nullptr && at - block->start >= block->size) block = host.Blocks().AtOrBefore(at);
    const Byte b = Locate(host, block, at, false);
    if (!Allows(b, kind)) return Describe(Locate(host, at), address, size, kind);
    i += b.sameRule;
  }
  return std::nullopt;
}

RecordSnapshot::RecordSnapshot(const SimHost& host) : host_(host) {
  const std::vector<HostBlock>& blocks = host.Blocks().blocks();
  if (blocks.empty()) return;
  const HostAddress start = blocks.front().start;
  const std::size_t length = blocks.back().start + blocks.back().size - start;
  const auto* memory = static_cast<const std::uint8_t*>(host.space().Pointer(start, length));
  bytes_.assign(memory, memory + length);
}

std::vector<AccessBreach> RecordSnapshot::ForbiddenWrites() const {
  ForbiddenWriteRuns runs(host_);
  if (bytes_.empty()) return runs.Finish();
  const HostAddress start = host_.Blocks().blocks().front().start;
  const auto* now = static_cast<const std::uint8_t*>(host_.space().Pointer(start, bytes_.size()));
  // Most of the records are unchanged: compare in chunks, and bytes only
  // where a chunk differs.
  constexpr std::size_t kChunk = 64;
  for (std::size_t chunk = 0; chunk < bytes_.size(); chunk += kChunk) {
    const std::size_t length = std::min(kChunk, bytes_.size() - chunk);
    if (std::memcmp(now + chunk, bytes_.data() + chunk, length) == 0) continue;
    for (std::size_t i = chunk; i < chunk + length; ++i)
      if (now[i] != bytes_[i]) runs.Changed(start + static_cast<HostAddress>(i));
  }
  return runs.Finish();
}

void ForbiddenWriteRuns::Changed(HostAddress address) {
  const Byte b = Locate(host_, address);
  if (Allows(b, AccessKind::Write)) return;
  const bool sameRun = inRun_ && address == runEnd_ && runRecord_ == b.record &&
                       runField_ == b.field && runRule_ == b.rule;
  if (!sameRun) {
    Flush();
    inRun_ = true;
    runStart_ = address;
    runRecord_ = b.record;
    runField_ = b.field;
    runRule_ = b.rule;
  }
  runEnd_ = address + 1;
}

void ForbiddenWriteRuns::Flush() {
  // The run told as its first byte is.
  if (inRun_)
    breaches_.push_back(
        Describe(Locate(host_, runStart_), runStart_, runEnd_ - runStart_, AccessKind::Write));
  inRun_ = false;
}

std::vector<AccessBreach> ForbiddenWriteRuns::Finish() {
  Flush();
  return std::move(breaches_);
}

}  // namespace tier::sim
