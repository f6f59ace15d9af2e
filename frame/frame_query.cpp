#include "frame/frame_query.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace tier::frame {

using host::HostAddress;

namespace {

// The object a slot of the ObjectTable holds, the slot given by its address.
HostObject* ObjectAt(HostAddress slot) {
  return host::HostPtr<host::ObjectSlot>(slot)->object.get();
}

// A fixed value is the object's 16-bit number (its low half) and its creation
// count (the high half). The number alone turns almost every slot away, so
// the creation count is read only where the number matches.
template <std::size_t kCount>
class Wanted {
 public:
  Wanted(const std::int32_t (&fixedValues)[kCount], HostObject* (&found)[kCount]) : found_(found) {
    for (std::size_t i = 0; i < kCount; ++i) {
      numbers_[i] = static_cast<std::int16_t>(fixedValues[i] & 0xFFFF);
      creationCounts_[i] = static_cast<std::int16_t>((fixedValues[i] >> 16) & 0xFFFF);
      found_[i] = nullptr;
    }
  }

  // True once every value is found.
  bool Examine(HostObject* object) {
    if (object == nullptr) return false;
    if constexpr (kCount == 1) {  // the first match ends the sweep
      if (object->number != static_cast<std::int16_t>(numbers_[0]) ||
          object->creationCount != creationCounts_[0])
        return false;
      found_[0] = object;
      return true;
    }
    const std::int32_t number = object->number;
#pragma GCC unroll 4
    for (std::size_t i = 0; i < kCount; ++i) {
      if (number != numbers_[i] || object->creationCount != creationCounts_[i]) continue;
      found_[i] = object;
      numbers_[i] = kFound;
      if (--missing_ == 0) return true;
    }
    return false;
  }

 private:
  // A value found is given a number no object has (numbers are 16-bit).
  static constexpr std::int32_t kFound = 0x10000;
  std::int32_t numbers_[kCount];
  std::int16_t creationCounts_[kCount];
  HostObject** found_;
  std::size_t missing_ = kCount;
};

// Slots 0..lastSlot in order, four to a round, until every value is found.
template <std::size_t kCount>
inline void Sweep(const RunHeader& header, std::int32_t lastSlot, Wanted<kCount>& wanted) {
  constexpr HostAddress kStride = sizeof(host::ObjectSlot);
  HostAddress at = header.objectTable.address();
  std::int32_t left = lastSlot + 1;
  for (; left >= 4; left -= 4, at += 4 * kStride) {
    if (wanted.Examine(ObjectAt(at)) || wanted.Examine(ObjectAt(at + kStride)) ||
        wanted.Examine(ObjectAt(at + 2 * kStride)) || wanted.Examine(ObjectAt(at + 3 * kStride)))
      return;
  }
  for (; left > 0; --left, at += kStride)
    if (wanted.Examine(ObjectAt(at))) return;
}

}  // namespace

HostObject* LowestSlotObjectWithFixedValue(const RunHeader& header, std::int32_t lastSlot,
                                           std::int32_t fixedValue) {
  HostObject* found[1];
  Wanted<1> wanted({fixedValue}, found);
  Sweep(header, lastSlot, wanted);
  return found[0];
}

template <std::size_t kCount>
void LowestSlotObjectsWithFixedValues(const RunHeader& header, std::int32_t lastSlot,
                                      const std::int32_t (&fixedValues)[kCount],
                                      HostObject* (&found)[kCount]) {
  Wanted<kCount> wanted(fixedValues, found);
  Sweep(header, lastSlot, wanted);
}

template void LowestSlotObjectsWithFixedValues<2>(const RunHeader&, std::int32_t,
                                                  const std::int32_t (&)[2], HostObject* (&)[2]);
template void LowestSlotObjectsWithFixedValues<3>(const RunHeader&, std::int32_t,
                                                  const std::int32_t (&)[3], HostObject* (&)[3]);

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
  std::memset(buckets_.get(), 0xFE, sizeof(Bucket) << (32 - bucketShift_));
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

namespace {

// The slots 0..lastSlot rounded up to a power of two, and no fewer than 16.
std::uint32_t FiledBucketsFor(std::int32_t lastSlot) {
  std::uint32_t buckets = 16;
  while (static_cast<std::int64_t>(buckets) < std::int64_t{lastSlot} + 1) buckets *= 2;
  return buckets;
}

}  // namespace

FixedValueIndex::FixedValueIndex(const RunHeader& header, std::int32_t lastSlot)
    : header_(header),
      lastSlot_(lastSlot),
      filedLastSlot_(lastSlot),
      mask_(FiledBucketsFor(lastSlot) - 1),
      buckets_(std::size_t{mask_} + 1) {
  if (buckets_.get() == nullptr) {
    filedLastSlot_ = -1;
    return;
  }
  std::memset(buckets_.get(), 0xFF, sizeof(std::int32_t) * (std::size_t{mask_} + 1));
}

FixedValueIndex::~FixedValueIndex() { delete shared_; }

void FixedValueIndex::SweepThrough(std::int32_t slot) {
  // Lookups mostly come in slot order: sweeping well ahead of the one that
  // asks keeps the calls here few.
  const std::int32_t last = std::min(std::max(slot, 2 * swept_ + 256), filedLastSlot_);
  // Locals, so that the table's writes need not reload them.
  std::int32_t* const buckets = buckets_.get();
  const std::uint32_t mask = mask_;
  const auto file = [&](HostAddress at, std::int32_t filing) {
    const HostObject* object = ObjectAt(at);
    if (object == nullptr) return;
    std::int32_t* filed = buckets + (static_cast<std::uint16_t>(object->number) & mask);
    if (*filed == kEmpty) [[likely]]
      *filed = filing;
    else
      *filed = kShared;
  };
  constexpr HostAddress kStride = sizeof(host::ObjectSlot);
  std::int32_t filing = swept_ + 1;
  HostAddress at = header_.objectTable.address() + static_cast<HostAddress>(filing) * kStride;
  for (; filing + 3 <= last; filing += 4, at += 4 * kStride) {
    file(at, filing);
    file(at + kStride, filing + 1);
    file(at + 2 * kStride, filing + 2);
    file(at + 3 * kStride, filing + 3);
  }
  for (; filing <= last; ++filing, at += kStride) file(at, filing);
  swept_ = std::max(swept_, last);
}

HostObject* FixedValueIndex::Find(std::int32_t fixedValue) {
  if (buckets_.get() == nullptr)
    return LowestSlotObjectWithFixedValue(header_, lastSlot_, fixedValue);
  if (swept_ < lastSlot_) SweepThrough(lastSlot_);
  // The low half of a fixed value is the object's number.
  const std::int32_t filed = buckets_[static_cast<std::uint16_t>(fixedValue) & mask_];
  if (filed == kEmpty) return nullptr;
  if (filed == kShared) return FindShared(fixedValue);
  HostObject* object = host::ObjectInSlot(header_, filed);
  return host::FixedValueOf(*object) == fixedValue ? object : nullptr;
}

// The values of every slot in a shared bucket, found in one sweep; a value
// the table was not asked for, or the whole lookup without the table, scans.
HostObject* FixedValueIndex::FindShared(std::int32_t fixedValue) {
  if (!sharedMade_) {
    sharedMade_ = true;
    const auto inSharedBucket = [&](std::int32_t slot) -> const HostObject* {
      const HostObject* object = host::ObjectInSlot(header_, slot);
      if (object == nullptr ||
          buckets_[static_cast<std::uint16_t>(object->number) & mask_] != kShared)
        return nullptr;
      return object;
    };
    std::int32_t sharedSlots = 0;
    for (std::int32_t slot = 0; slot <= lastSlot_; ++slot)
      if (inSharedBucket(slot) != nullptr) ++sharedSlots;
    shared_ = new (std::nothrow) WantedFixedValues(sharedSlots);
    if (shared_ != nullptr) {
      for (std::int32_t slot = 0; slot <= lastSlot_; ++slot)
        if (const HostObject* object = inSharedBucket(slot))
          shared_->Want(host::FixedValueOf(*object));
      shared_->Sweep(header_, lastSlot_);
    }
  }
  if (shared_ == nullptr) return LowestSlotObjectWithFixedValue(header_, lastSlot_, fixedValue);
  return shared_->Find(header_, fixedValue);
}

}  // namespace tier::frame
