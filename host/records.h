// The host's run-time records, byte for byte as the host lays them out:
// packed, little-endian, 32-bit pointers. Fields not named here belong to the
// host and are neither read nor written; the reserved arrays only hold their
// place. Every offset is checked at compile time below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "host/host_ptr.h"

namespace tier::host {

struct RunHeader;
struct Frame;
struct DisplayList;
struct DisplayNode;
struct HostObject;
struct ObjectTypeEntry;
struct ObjectSlot;

#pragma pack(push, 1)

// A host service as the run header holds it: a __stdcall function pointer in
// the product build, a handle into the simulated host's services natively.
struct ServiceRef {
  std::uint32_t word;
};

// The instance's run block; the host allocates and frees it.
struct RunData {
  std::uint8_t hostOwned0[0x06];
  HostPtr<RunHeader> runHeader;  // 0x06
  std::uint8_t hostOwned1[0x98 - 0x0A];
  std::int32_t storedFixedValue;  // 0x98: the plug-in's only field
};

struct RunHeader {
  HostPtr<Frame> frame;  // 0x000
  std::uint8_t hostOwned0[0x030 - 0x004];
  std::uint16_t objectCount;  // 0x030: inclusive bound of the condition and name scans
  std::uint8_t hostOwned1[0x044 - 0x032];
  std::int16_t objectLimit;    // 0x044: inclusive bound of the fixed-value lookup
  HostAddress objectTypeList;  // 0x046: base that ObjectParam.typeOffset is added to
  std::uint8_t hostOwned2[0x0FA - 0x04A];
  std::uint16_t eventCount;  // 0x0FA
  std::uint8_t hostOwned3[0x320 - 0x0FC];
  ServiceRef getExpressionParameter;  // 0x320
  std::uint8_t hostOwned4[0x354 - 0x324];
  ServiceRef getNextParameter;  // 0x354
  std::uint8_t hostOwned5[0x482 - 0x358];
  HostPtr<ObjectSlot> objectTable;  // 0x482
};

struct Frame {
  std::uint8_t hostOwned0[0x46];
  HostPtr<DisplayList> displayList;  // 0x46
};

struct DisplayList {
  std::uint8_t hostOwned0[0x08];
  HostPtr<DisplayNode> head;  // 0x08: back-most node
  HostPtr<DisplayNode> tail;  // 0x0C: front-most node
};

struct DisplayNode {
  std::uint8_t hostOwned0[0x0C];
  HostPtr<DisplayNode> prev;  // 0x0C: toward the back
  HostPtr<DisplayNode> next;  // 0x10: toward the front
  std::uint8_t flags;         // 0x14: never written by the plug-in
  std::uint8_t hostOwned1;
  std::uint16_t level;  // 0x16
  std::uint8_t hostOwned2[0x3C - 0x18];
  HostPtr<HostObject> owner;  // 0x3C
};

// Where an object's display block keeps the mirror of its node's level.
struct DisplayBlock {
  std::uint8_t hostOwned0[0x08];
  std::uint16_t displayLevel;  // 0x08
};

struct HostObject {
  std::int16_t number;        // 0x00: slot index; low half of the fixed value
  std::int16_t nextSelected;  // 0x02: negative ends the selected chain
  std::uint8_t hostOwned0[0x14 - 0x04];
  std::int16_t nextOfType;  // 0x14: negative ends the type chain
  std::uint8_t hostOwned1[0x18 - 0x16];
  std::int16_t creationCount;          // 0x18: high half of the fixed value
  HostPtr<ObjectTypeEntry> typeEntry;  // 0x1A
  std::uint8_t hostOwned2[0x3E - 0x1E];
  std::int16_t x;  // 0x3E
  std::uint8_t hostOwned3[0x42 - 0x40];
  std::int16_t y;  // 0x42
  std::uint8_t hostOwned4[0x5E - 0x44];
  std::int32_t valuesOffset;  // 0x5E: 0 = no alterable values
  std::uint8_t hostOwned5[0x9C - 0x62];
  std::int32_t displayBlockOffset;  // 0x9C: 0 = no display block
  std::uint8_t hostOwned6[0xAC - 0xA0];
  HostPtr<DisplayNode> displayNode;  // 0xAC: may be null
};

struct ObjectTypeEntry {
  std::uint8_t hostOwned0[0x02];
  std::int16_t firstSelected;  // 0x02
  std::uint8_t hostOwned1[0x06 - 0x04];
  std::int16_t firstObject;  // 0x06: negative = the type has no objects
  std::uint8_t hostOwned2[0x0A - 0x08];
  std::int16_t typeObjectCount;  // 0x0A
  std::uint8_t hostOwned3[0x1A - 0x0C];
  std::uint16_t selectionStamp;  // 0x1A: current when equal to eventCount
  std::int16_t selectedCount;    // 0x1C
  std::uint8_t hostOwned4[0x46 - 0x1E];
  char name[1];  // 0x46: zero-terminated, as long as the host made it
};

struct ObjectSlot {
  HostPtr<HostObject> object;  // 0x00: null for a free slot
  std::uint32_t hostOwned0;
};

// An object parameter as a condition receives it.
struct ObjectParam {
  std::uint8_t hostOwned0[0x04];
  std::int16_t typeOffset;  // 0x04: signed byte offset from objectTypeList
};

// An alterable-value parameter as the sort-by-value actions receive it.
struct AltValueParam {
  std::uint8_t hostOwned0[0x04];
  std::int16_t valueIndex;  // 0x04
};

// The descriptor that GetRunObjectInfos writes into a buffer of the host's.
// What the words named by their offset (word12 to word1E, byte16) mean is the
// host's to know, as are the answers of the other exports
// (plugin/export_list.h: 0x300 from GetInfos, 1 from HandleRunObject, -1 from
// the code-from-menu exports); the plug-in writes and returns the values the
// host expects and gives them no meaning of its own.
struct RunObjectInfos {
  HostAddress conditionRoutines;   // 0x00
  HostAddress actionRoutines;      // 0x04
  HostAddress expressionRoutines;  // 0x08
  std::uint16_t conditionCount;    // 0x0C
  std::uint16_t actionCount;       // 0x0E
  std::uint16_t expressionCount;   // 0x10
  std::uint16_t word12;            // 0x12
  std::uint16_t word14;            // 0x14
  std::uint8_t byte16;             // 0x16
  std::uint8_t hostOwned17;        // 0x17: never written
  std::uint16_t word18;            // 0x18
  std::uint32_t identifier;        // 0x1A
  std::uint16_t word1E;            // 0x1E
};

#pragma pack(pop)

#define TIER_FIELD_AT(record, field, offset) \
  static_assert(offsetof(record, field) == (offset), #record "." #field " is at " #offset)

TIER_FIELD_AT(RunData, runHeader, 0x06);
TIER_FIELD_AT(RunData, storedFixedValue, 0x98);
static_assert(sizeof(RunData) == 156, "the run block is 156 bytes");
TIER_FIELD_AT(RunHeader, frame, 0x000);
TIER_FIELD_AT(RunHeader, objectCount, 0x030);
TIER_FIELD_AT(RunHeader, objectLimit, 0x044);
TIER_FIELD_AT(RunHeader, objectTypeList, 0x046);
TIER_FIELD_AT(RunHeader, eventCount, 0x0FA);
TIER_FIELD_AT(RunHeader, getExpressionParameter, 0x320);
TIER_FIELD_AT(RunHeader, getNextParameter, 0x354);
TIER_FIELD_AT(RunHeader, objectTable, 0x482);
TIER_FIELD_AT(Frame, displayList, 0x46);
TIER_FIELD_AT(DisplayList, head, 0x08);
TIER_FIELD_AT(DisplayList, tail, 0x0C);
TIER_FIELD_AT(DisplayNode, prev, 0x0C);
TIER_FIELD_AT(DisplayNode, next, 0x10);
TIER_FIELD_AT(DisplayNode, flags, 0x14);
TIER_FIELD_AT(DisplayNode, level, 0x16);
TIER_FIELD_AT(DisplayNode, owner, 0x3C);
TIER_FIELD_AT(DisplayBlock, displayLevel, 0x08);
TIER_FIELD_AT(HostObject, number, 0x00);
TIER_FIELD_AT(HostObject, nextSelected, 0x02);
TIER_FIELD_AT(HostObject, nextOfType, 0x14);
TIER_FIELD_AT(HostObject, creationCount, 0x18);
TIER_FIELD_AT(HostObject, typeEntry, 0x1A);
TIER_FIELD_AT(HostObject, x, 0x3E);
TIER_FIELD_AT(HostObject, y, 0x42);
TIER_FIELD_AT(HostObject, valuesOffset, 0x5E);
TIER_FIELD_AT(HostObject, displayBlockOffset, 0x9C);
TIER_FIELD_AT(HostObject, displayNode, 0xAC);
TIER_FIELD_AT(ObjectTypeEntry, firstSelected, 0x02);
TIER_FIELD_AT(ObjectTypeEntry, firstObject, 0x06);
TIER_FIELD_AT(ObjectTypeEntry, typeObjectCount, 0x0A);
TIER_FIELD_AT(ObjectTypeEntry, selectionStamp, 0x1A);
TIER_FIELD_AT(ObjectTypeEntry, selectedCount, 0x1C);
TIER_FIELD_AT(ObjectTypeEntry, name, 0x46);
TIER_FIELD_AT(ObjectSlot, object, 0x00);
static_assert(sizeof(ObjectSlot) == 8, "object slots are 8 bytes");
TIER_FIELD_AT(ObjectParam, typeOffset, 0x04);
TIER_FIELD_AT(AltValueParam, valueIndex, 0x04);
TIER_FIELD_AT(RunObjectInfos, conditionRoutines, 0x00);
TIER_FIELD_AT(RunObjectInfos, actionRoutines, 0x04);
TIER_FIELD_AT(RunObjectInfos, expressionRoutines, 0x08);
TIER_FIELD_AT(RunObjectInfos, conditionCount, 0x0C);
TIER_FIELD_AT(RunObjectInfos, actionCount, 0x0E);
TIER_FIELD_AT(RunObjectInfos, expressionCount, 0x10);
TIER_FIELD_AT(RunObjectInfos, word12, 0x12);
TIER_FIELD_AT(RunObjectInfos, word14, 0x14);
TIER_FIELD_AT(RunObjectInfos, byte16, 0x16);
TIER_FIELD_AT(RunObjectInfos, hostOwned17, 0x17);
TIER_FIELD_AT(RunObjectInfos, word18, 0x18);
TIER_FIELD_AT(RunObjectInfos, identifier, 0x1A);
TIER_FIELD_AT(RunObjectInfos, word1E, 0x1E);
static_assert(sizeof(RunObjectInfos) == 32, "the descriptor touches 32 bytes");

#undef TIER_FIELD_AT

// How many alterable values an object's block holds.
inline constexpr std::int32_t kAlterableValueCount = 26;

// --- What the plug-in may touch ---------------------------------------------
// The field map of each record: the byte ranges the plug-in may read and
// those it may write, by field. A byte that no rule covers belongs to the host
// alone. The simulated host checks every access of the plug-in against these
// rules (reads only where it runs the library in the CPU emulator; writes also
// after each call, by comparing the records with a copy taken before it).

enum class FieldUse : std::uint8_t { Read, Write, ReadWrite };

constexpr bool MayRead(FieldUse use) { return use != FieldUse::Write; }
constexpr bool MayWrite(FieldUse use) { return use != FieldUse::Read; }

struct FieldRule {
  std::string_view name;
  std::uint32_t offset;
  std::uint32_t size;
  FieldUse use;
  // A text that runs from `offset` up to and including its zero terminator,
  // within the record's block; `size` is then its least.
  bool toTerminator = false;
};

#define TIER_RULE(record, field, use) \
  FieldRule { #field, offsetof(record, field), sizeof(record::field), FieldUse::use }

inline constexpr FieldRule kRunDataRules[] = {
    TIER_RULE(RunData, runHeader, Read),
    TIER_RULE(RunData, storedFixedValue, ReadWrite),
};
// The two services are read to be called.
inline constexpr FieldRule kRunHeaderRules[] = {
    TIER_RULE(RunHeader, frame, Read),
    TIER_RULE(RunHeader, objectCount, Read),
    TIER_RULE(RunHeader, objectLimit, Read),
    TIER_RULE(RunHeader, objectTypeList, Read),
    TIER_RULE(RunHeader, eventCount, Read),
    TIER_RULE(RunHeader, getExpressionParameter, Read),
    TIER_RULE(RunHeader, getNextParameter, Read),
    TIER_RULE(RunHeader, objectTable, Read),
};
inline constexpr FieldRule kFrameRules[] = {TIER_RULE(Frame, displayList, Read)};
inline constexpr FieldRule kDisplayListRules[] = {
    TIER_RULE(DisplayList, head, ReadWrite),
    TIER_RULE(DisplayList, tail, ReadWrite),
};
inline constexpr FieldRule kDisplayNodeRules[] = {
    TIER_RULE(DisplayNode, prev, ReadWrite), TIER_RULE(DisplayNode, next, ReadWrite),
    TIER_RULE(DisplayNode, flags, Read),     TIER_RULE(DisplayNode, level, ReadWrite),
    TIER_RULE(DisplayNode, owner, Read),
};
// valuesOffset and displayBlockOffset are read to find the two blocks below;
// each block exists only when its offset is not 0.
inline constexpr FieldRule kHostObjectRules[] = {
    TIER_RULE(HostObject, number, Read),
    TIER_RULE(HostObject, nextSelected, ReadWrite),
    TIER_RULE(HostObject, nextOfType, Read),
    TIER_RULE(HostObject, creationCount, Read),
    TIER_RULE(HostObject, typeEntry, Read),
    TIER_RULE(HostObject, x, Read),
    TIER_RULE(HostObject, y, Read),
    TIER_RULE(HostObject, valuesOffset, Read),
    TIER_RULE(HostObject, displayBlockOffset, Read),
    TIER_RULE(HostObject, displayNode, Read),
};
// At displayBlockOffset from the object: the level mirror, which the plug-in
// only writes.
inline constexpr FieldRule kDisplayBlockRules[] = {TIER_RULE(DisplayBlock, displayLevel, Write)};
// At valuesOffset from the object: kAlterableValueCount int32 values.
inline constexpr FieldRule kAlterableValueRules[] = {
    {"alterable values", 0, 4 * kAlterableValueCount, FieldUse::Read}};
inline constexpr FieldRule kObjectTypeEntryRules[] = {
    TIER_RULE(ObjectTypeEntry, firstSelected, ReadWrite),
    TIER_RULE(ObjectTypeEntry, firstObject, Read),
    TIER_RULE(ObjectTypeEntry, typeObjectCount, Read),
    TIER_RULE(ObjectTypeEntry, selectionStamp, ReadWrite),
    TIER_RULE(ObjectTypeEntry, selectedCount, ReadWrite),
    {"name", offsetof(ObjectTypeEntry, name), 1, FieldUse::Read, true},
};
// Each slot of the table; its second word is the host's.
inline constexpr FieldRule kObjectSlotRules[] = {TIER_RULE(ObjectSlot, object, Read)};
// The parameter records, readable while the call they were handed to lasts.
inline constexpr FieldRule kObjectParamRules[] = {TIER_RULE(ObjectParam, typeOffset, Read)};
inline constexpr FieldRule kAltValueParamRules[] = {TIER_RULE(AltValueParam, valueIndex, Read)};
// An expression's text argument, from GetExpressionParameter.
inline constexpr FieldRule kTextArgumentRules[] = {{"text", 0, 1, FieldUse::Read, true}};

#undef TIER_RULE

// How the host calls a condition or an action: RunData and two parameter
// words; and an expression: RunData and the expression token. An expression's
// result is an int32, or for a text expression a pointer (hence intptr_t).
using EventRoutine = std::int32_t(TIER_STDCALL*)(HostPtr<RunData>, std::int32_t, std::int32_t);
using ExpressionRoutine = std::intptr_t(TIER_STDCALL*)(HostPtr<RunData>, std::int32_t);

// DisplayNode.flags bits.
inline constexpr std::uint8_t kUncounted = 0x20;
inline constexpr std::uint8_t kNoRefresh = 0x80;

// The link the selection filter writes to end a chain it builds.
inline constexpr std::int16_t kEndOfChain = static_cast<std::int16_t>(0x8000);

// What selectionStamp holds once a selection has been invalidated.
inline constexpr std::uint16_t kInvalidatedStamp = 0xFFFF;

// GetExpressionParameter kinds.
inline constexpr std::int32_t kExpressionInteger = 0;
inline constexpr std::int32_t kExpressionText = 1;

// number + 65536 * creationCount, both signed 16-bit, in 32-bit two's complement.
constexpr std::int32_t MakeFixedValue(std::int16_t number, std::int16_t creationCount) {
  const auto low = static_cast<std::uint32_t>(static_cast<std::int32_t>(number));
  const auto high = static_cast<std::uint32_t>(static_cast<std::int32_t>(creationCount));
  return static_cast<std::int32_t>(low + (high << 16));
}

inline std::int32_t FixedValueOf(const HostObject& object) {
  return MakeFixedValue(object.number, object.creationCount);
}

inline RunHeader* RunHeaderOf(const RunData& runData) { return runData.runHeader.get(); }
inline Frame* FrameOf(const RunData& runData) { return RunHeaderOf(runData)->frame.get(); }
inline DisplayList* DisplayListOf(const RunData& runData) {
  return FrameOf(runData)->displayList.get();
}

// The object in ObjectTable slot `slot`, or null for a free slot.
inline HostObject* ObjectInSlot(const RunHeader& header, std::int32_t slot) {
  const HostAddress address =
      header.objectTable.address() + static_cast<HostAddress>(slot) * sizeof(ObjectSlot);
  return HostPtr<ObjectSlot>(address)->object.get();
}

// The type entry that lies `typeOffset` bytes (signed) from objectTypeList.
inline ObjectTypeEntry* TypeEntryAt(const RunHeader& header, std::int16_t typeOffset) {
  const HostAddress address =
      header.objectTypeList + static_cast<HostAddress>(static_cast<std::int32_t>(typeOffset));
  return HostPtr<ObjectTypeEntry>(address).get();
}

inline const char* TypeName(const ObjectTypeEntry& entry) {
  return ResolveString(AddressOf(&entry) +
                       static_cast<HostAddress>(offsetof(ObjectTypeEntry, name)));
}

inline bool IsSelectionCurrent(const ObjectTypeEntry& entry, const RunHeader& header) {
  return entry.selectionStamp == header.eventCount;
}

// The object's display block, or null when displayBlockOffset is 0.
inline DisplayBlock* DisplayBlockOf(const HostObject& object) {
  if (object.displayBlockOffset == 0) return nullptr;
  return HostPtr<DisplayBlock>(AddressOf(&object) +
                               static_cast<HostAddress>(object.displayBlockOffset))
      .get();
}

// Alterable value `index` of the object into `value`; false when the object
// has no values or the index lies outside its block.
inline bool ReadAlterableValue(const HostObject& object, std::int32_t index, std::int32_t& value) {
  if (object.valuesOffset == 0 || index < 0 || index >= kAlterableValueCount) return false;
  const HostAddress address = AddressOf(&object) + static_cast<HostAddress>(object.valuesOffset) +
                              static_cast<HostAddress>(index) * 4u;
  // The block may start at any offset: copy rather than dereference.
  std::memcpy(&value, ResolveAddress(address, sizeof value), sizeof value);
  return true;
}

}  // namespace tier::host
