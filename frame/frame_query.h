// Finding objects of the running frame by fixed value. The routines scan the
// ObjectTable from slot 0 up to a bound of their own: the actions' lookup up
// to objectLimit (signed: negative examines nothing), the conditions' and the
// name expression's up to objectCount (unsigned: slot 0 is always examined).
// Callers pass that field as `lastSlot`, so each call site shows its bound.
#pragma once

#include <cstdint>

#include "host/records.h"

namespace tier::frame {

using host::HostObject;
using host::RunData;
using host::RunHeader;

// A fixed value of 0 given to a routine stands for the instance's
// storedFixedValue, whatever that holds (0 included).
inline std::int32_t ZeroMeansStoredFixedValue(const RunData& runData, std::int32_t fixedValue) {
  return fixedValue != 0 ? fixedValue : runData.storedFixedValue;
}

// The object in the lowest of slots 0..lastSlot whose fixed value is
// `fixedValue`; null when none has it.
HostObject* LowestSlotObjectWithFixedValue(const RunHeader& header, std::int32_t lastSlot,
                                           std::int32_t fixedValue);

// Many fixed values found with one sweep over slots 0..lastSlot, for routines
// that would otherwise scan the table once per value. Values are gathered
// with Want, found with SweepSlots, then read with LowestSlotOf; between the
// last two they sit in an open-addressed hash table, so each slot of the
// sweep and each read costs a probe or two.
struct WantedFixedValues {
  // A filter pass wants at most one value per instance of two chains, each
  // at most 32767 long; the name expression one per slot up to 65535.
  static constexpr std::int32_t kCapacity = 65536;
  static constexpr std::int32_t kBuckets = 2 * kCapacity;  // at most half full
  std::int32_t count = 0;
  std::int32_t values[kCapacity];  // as wanted, repeats included
  std::uint32_t bucketShift = 0;   // the table in use has 2^(32 - shift) buckets
  std::int32_t bucketValues[kBuckets];
  std::int32_t bucketSlots[kBuckets];  // lowest slot, kNoSlot, or empty
};

inline constexpr std::int32_t kNoSlot = -1;         // wanted, held by no slot in bounds
inline constexpr std::int32_t kSlotNotWanted = -2;  // not among the swept values

// The one table: the host calls one routine at a time, and the table needs
// no allocation. Emptied on every call.
WantedFixedValues& EmptyWantedTable();

// False, wanting nothing, when the table is full.
bool Want(WantedFixedValues& table, std::int32_t fixedValue);

// Finds the lowest slot of every wanted value in one pass over slots
// 0..lastSlot (stopping once all are found).
void SweepSlots(const RunHeader& header, std::int32_t lastSlot, WantedFixedValues& table);

// After SweepSlots: the lowest slot holding `fixedValue`, kNoSlot, or
// kSlotNotWanted when the value was not wanted.
std::int32_t LowestSlotOf(const WantedFixedValues& table, std::int32_t fixedValue);

}  // namespace tier::frame
