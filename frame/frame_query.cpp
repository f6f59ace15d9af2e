#include "frame/frame_query.h"

#include <algorithm>

namespace tier::frame {
namespace {

WantedFixedValues g_wanted;

}  // namespace

HostObject* LowestSlotObjectWithFixedValue(const RunHeader& header, std::int32_t lastSlot,
                                           std::int32_t fixedValue) {
  for (std::int32_t slot = 0; slot <= lastSlot; ++slot) {
    HostObject* object = host::ObjectInSlot(header, slot);
    if (object != nullptr && host::FixedValueOf(*object) == fixedValue) return object;
  }
  return nullptr;
}

WantedFixedValues& EmptyWantedTable() {
  g_wanted.count = 0;
  return g_wanted;
}

bool Want(WantedFixedValues& table, std::int32_t fixedValue) {
  if (table.count == WantedFixedValues::kCapacity) return false;
  table.values[table.count++] = fixedValue;
  return true;
}

namespace {

constexpr std::int32_t kEmptyBucket = -3;

// The bucket that holds `value`, or the empty one where it would go.
std::int32_t BucketOf(const WantedFixedValues& table, std::int32_t value) {
  const std::uint32_t mask = 0xFFFFFFFFu >> table.bucketShift;
  std::uint32_t bucket = (static_cast<std::uint32_t>(value) * 0x9E3779B1u) >> table.bucketShift;
  while (table.bucketSlots[bucket] != kEmptyBucket && table.bucketValues[bucket] != value)
    bucket = (bucket + 1) & mask;
  return static_cast<std::int32_t>(bucket);
}

}  // namespace

void SweepSlots(const RunHeader& header, std::int32_t lastSlot, WantedFixedValues& table) {
  // At least twice as many buckets as values, and no fewer than 16.
  std::uint32_t bits = 4;
  while ((std::int32_t{1} << bits) < 2 * table.count) ++bits;
  table.bucketShift = 32 - bits;
  std::fill(table.bucketSlots, table.bucketSlots + (std::int32_t{1} << bits), kEmptyBucket);
  std::int32_t missing = 0;
  for (std::int32_t i = 0; i < table.count; ++i) {
    const std::int32_t bucket = BucketOf(table, table.values[i]);
    if (table.bucketSlots[bucket] != kEmptyBucket) continue;  // a repeat
    table.bucketValues[bucket] = table.values[i];
    table.bucketSlots[bucket] = kNoSlot;
    ++missing;
  }

  for (std::int32_t slot = 0; slot <= lastSlot && missing > 0; ++slot) {
    const HostObject* object = host::ObjectInSlot(header, slot);
    if (object == nullptr) continue;
    const std::int32_t bucket = BucketOf(table, host::FixedValueOf(*object));
    if (table.bucketSlots[bucket] == kNoSlot) {  // wanted, and the lowest slot wins
      table.bucketSlots[bucket] = slot;
      --missing;
    }
  }
}

std::int32_t LowestSlotOf(const WantedFixedValues& table, std::int32_t fixedValue) {
  const std::int32_t slot = table.bucketSlots[BucketOf(table, fixedValue)];
  return slot == kEmptyBucket ? kSlotNotWanted : slot;
}

}  // namespace tier::frame
