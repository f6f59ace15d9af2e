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

void SweepSlots(const RunHeader& header, std::int32_t lastSlot, WantedFixedValues& table) {
  std::int32_t* const values = table.values;
  std::sort(values, values + table.count);
  table.count = static_cast<std::int32_t>(std::unique(values, values + table.count) - values);
  std::fill(table.slots, table.slots + table.count, kNoSlot);

  std::int32_t missing = table.count;
  for (std::int32_t slot = 0; slot <= lastSlot && missing > 0; ++slot) {
    const HostObject* object = host::ObjectInSlot(header, slot);
    if (object == nullptr) continue;
    const std::int32_t fixedValue = host::FixedValueOf(*object);
    const std::int32_t* at = std::lower_bound(values, values + table.count, fixedValue);
    if (at == values + table.count || *at != fixedValue) continue;
    std::int32_t& found = table.slots[at - values];
    if (found == kNoSlot) {  // the lowest slot wins
      found = slot;
      --missing;
    }
  }
}

std::int32_t LowestSlotOf(const WantedFixedValues& table, std::int32_t fixedValue) {
  const std::int32_t* const values = table.values;
  const std::int32_t* at = std::lower_bound(values, values + table.count, fixedValue);
  if (at == values + table.count || *at != fixedValue) return kSlotNotWanted;
  return table.slots[at - values];
}

}  // namespace tier::frame
