#include "frame/frame_query.h"

#include <algorithm>

namespace tier::frame {

HostObject* LowestSlotObjectWithFixedValue(const RunHeader& header, std::int32_t lastSlot,
                                           std::int32_t fixedValue) {
  for (std::int32_t slot = 0; slot <= lastSlot; ++slot) {
    HostObject* object = host::ObjectInSlot(header, slot);
    if (object != nullptr && host::FixedValueOf(*object) == fixedValue) return object;
  }
  return nullptr;
}

// At least twice as many buckets as values, and no fewer than 16.
std::uint32_t WantedFixedValues::BucketBitsFor(std::int32_t capacity) {
  std::uint32_t bits = 4;
  while ((std::int64_t{1} << bits) < 2 * std::int64_t{capacity}) ++bits;
  return bits;
}

// The table is scratch memory of the routine's call, released before the
// routine returns; when it cannot be had, Find scans, and the routine's
// results and writes are the same.
WantedFixedValues::WantedFixedValues(std::int32_t capacity)
    : room_(std::max(capacity, 0)),
      bucketShift_(32 - BucketBitsFor(room_)),
      buckets_(std::size_t{1} << (32 - bucketShift_)) {
  if (buckets_.get() == nullptr) {
    room_ = 0;
    return;
  }
  std::fill(buckets_.get(), buckets_.get() + (std::size_t{1} << (32 - bucketShift_)),
            Bucket{0, kEmpty});
}

std::uint32_t WantedFixedValues::BucketOf(std::int32_t value) const {
  const std::uint32_t mask = 0xFFFFFFFFu >> bucketShift_;
  std::uint32_t bucket = (static_cast<std::uint32_t>(value) * 0x9E3779B1u) >> bucketShift_;
  while (buckets_[bucket].slot != kEmpty && buckets_[bucket].value != value)
    bucket = (bucket + 1) & mask;
  return bucket;
}

void WantedFixedValues::Want(std::int32_t fixedValue) {
  if (room_ == 0) return;
  Bucket& bucket = buckets_[BucketOf(fixedValue)];
  if (bucket.slot != kEmpty) return;  // a repeat
  bucket = {fixedValue, kNoSlot};
  --room_;
  ++missing_;
}

void WantedFixedValues::Sweep(const RunHeader& header, std::int32_t lastSlot) {
  lastSlot_ = lastSlot;
  for (std::int32_t slot = 0; slot <= lastSlot && missing_ > 0; ++slot) {
    const HostObject* object = host::ObjectInSlot(header, slot);
    if (object == nullptr) continue;
    Bucket& bucket = buckets_[BucketOf(host::FixedValueOf(*object))];
    if (bucket.slot == kNoSlot) {  // wanted, and the lowest slot wins
      bucket.slot = slot;
      --missing_;
    }
  }
}

HostObject* WantedFixedValues::Find(const RunHeader& header, std::int32_t fixedValue) const {
  if (buckets_.get() != nullptr) {
    const Bucket& bucket = buckets_[BucketOf(fixedValue)];
    if (bucket.slot >= 0) return host::ObjectInSlot(header, bucket.slot);
    if (bucket.slot == kNoSlot) return nullptr;
  }
  return LowestSlotObjectWithFixedValue(header, lastSlot_, fixedValue);
}

}  // namespace tier::frame
