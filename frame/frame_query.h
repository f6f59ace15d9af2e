// Finding objects of the running frame by fixed value. The routines scan the
// ObjectTable from slot 0 up to a bound of their own: the actions' lookup up
// to objectLimit (signed: negative examines nothing), the conditions' and the
// name expression's up to objectCount (unsigned: slot 0 is always examined).
// Callers pass that field as `lastSlot`, so each call site shows its bound.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/working_memory.h"
#include "host/records.h"

namespace tier::frame {

using host::HostObject;
using host::RunData;
using host::RunHeader;

// The fixed value a routine's argument means: the argument itself, or for 0
// the instance's storedFixedValue, whatever that holds (0 included).
inline std::int32_t FixedValueMeant(const RunData& runData, std::int32_t fixedValue) {
  return fixedValue != 0 ? fixedValue : runData.storedFixedValue;
}

// The object in the lowest of slots 0..lastSlot whose fixed value is
// `fixedValue`; null when none has it.
HostObject* LowestSlotObjectWithFixedValue(const RunHeader& header, std::int32_t lastSlot,
                                           std::int32_t fixedValue);

// LowestSlotObjectWithFixedValue for each of a call's few fixed values (one
// to three), found in one sweep that ends once all are found. A value asked
// for twice finds the same object twice.
template <std::size_t kCount>
void LowestSlotObjectsWithFixedValues(const RunHeader& header, std::int32_t lastSlot,
                                      const std::int32_t (&fixedValues)[kCount],
                                      HostObject* (&found)[kCount]);

// Many fixed values found with one sweep over slots 0..lastSlot, for routines
// that would otherwise scan the table once per value. Values are gathered
// with Want, found with Sweep, then read with Find; between the last two they
// sit in an open-addressed hash table sized to the call, so each slot of the
// sweep and each read costs a probe or two. The table is working memory
// (frame/working_memory.h): without it, or for a value it was not asked for,
// Find scans for the value itself, which gives the same object.
class WantedFixedValues {
 public:
  // Room for `capacity` distinct values.
  explicit WantedFixedValues(std::int32_t capacity);
  WantedFixedValues(const WantedFixedValues&) = delete;
  WantedFixedValues& operator=(const WantedFixedValues&) = delete;

  // Beyond the capacity, or without the memory, the value is left to Find.
  void Want(std::int32_t fixedValue);

  // Finds the lowest slot of every wanted value in one pass over slots
  // 0..lastSlot (stopping once all are found).
  void Sweep(const RunHeader& header, std::int32_t lastSlot);

  // After Sweep: LowestSlotObjectWithFixedValue(header, lastSlot, fixedValue).
  HostObject* Find(const RunHeader& header, std::int32_t fixedValue) const;

 private:
  struct Bucket {
    std::int32_t value;
    std::int32_t slot;  // the lowest slot, kNoSlot, or kEmpty
  };
  static constexpr std::int32_t kNoSlot = -1;  // wanted, held by no slot in bounds
  // Every byte 0xFE, so that one memset empties the table.
  static constexpr std::int32_t kEmpty = static_cast<std::int32_t>(0xFEFEFEFEu);
  // Small calls keep their table on the stack: 4 KiB serve 256 values.
  static constexpr std::size_t kBucketsOnStack = 512;

  static std::uint32_t BucketBitsFor(std::int32_t capacity);
  // The bucket that holds `value`, or the empty one where it would go.
  std::uint32_t BucketOf(std::int32_t value) const;

  std::int32_t room_;           // distinct values that may still be wanted
  std::uint32_t bucketShift_;   // the table has 2^(32 - shift) buckets
  std::int32_t missing_ = 0;    // wanted values not found yet
  std::int32_t lastSlot_ = -1;  // the sweep's bound
  WorkingArray<Bucket, kBucketsOnStack> buckets_;
};

// The lowest-slot lookup for a call that makes many, most of them for objects
// met in their own slots (a walk along a chain, a pass over the table). Slots
// 0..lastSlot are swept once, and no further than the lookups have needed:
// each is filed in a table under its object's 16-bit number, folded to the
// table's size (a power of two no smaller than the slots). A slot filed alone
// is the only one in bounds whose number folds there, so its object is the
// only one with its fixed value and is found without a compare; an empty
// bucket means no slot holds the value. Values whose bucket two slots share
// go to a hashed table of those slots' values, made on the first such
// lookup. A host numbers each object by its slot, which gives every slot a
// bucket of its own. The tables are working memory of the call; without them
// each lookup scans, with the same result.
class FixedValueIndex {
 public:
  FixedValueIndex(const RunHeader& header, std::int32_t lastSlot);
  ~FixedValueIndex();
  FixedValueIndex(const FixedValueIndex&) = delete;
  FixedValueIndex& operator=(const FixedValueIndex&) = delete;

  // LowestSlotObjectWithFixedValue(header, lastSlot, FixedValueOf(object)),
  // where `object` is the one in slot `slot` (0 or more).
  HostObject* LowestSlotObjectLike(HostObject& object, std::int32_t slot) {
    if (slot <= filedLastSlot_) {
      if (slot > swept_) SweepThrough(slot);
      if (buckets_[static_cast<std::uint16_t>(object.number) & mask_] == slot) return &object;
    }
    return Find(host::FixedValueOf(object));
  }

  // LowestSlotObjectWithFixedValue(header, lastSlot, fixedValue).
  HostObject* Find(std::int32_t fixedValue);

  // The slots filed so far, for a caller that keeps them at hand: where
  // IsLowestSlot says yes, LowestSlotObjectLike would answer `object` itself;
  // where it says no, LowestSlotObjectLike answers (and may file more).
  struct Filed {
    const std::int32_t* buckets;
    std::uint32_t mask;
    std::int32_t lastFiled;  // -1 without the table
    bool IsLowestSlot(const HostObject& object, std::int32_t slot) const {
      return slot <= lastFiled && buckets[static_cast<std::uint16_t>(object.number) & mask] == slot;
    }
  };
  Filed FiledSoFar() const {
    return {buckets_.get(), mask_, buckets_.get() != nullptr ? swept_ : -1};
  }

 private:
  static constexpr std::int32_t kEmpty = -1;   // every byte 0xFF: one memset empties the table
  static constexpr std::int32_t kShared = -2;  // two slots or more
  static constexpr std::size_t kBucketsOnStack = 256;  // 1 KiB: frames of up to 256 slots

  // Files slots swept_ + 1 .. min(slot, lastSlot).
  void SweepThrough(std::int32_t slot);
  HostObject* FindShared(std::int32_t fixedValue);

  const RunHeader& header_;
  const std::int32_t lastSlot_;
  std::int32_t filedLastSlot_;  // lastSlot, or -1 without the table
  std::int32_t swept_ = -1;     // slots 0..swept_ are filed
  std::uint32_t mask_;
  bool sharedMade_ = false;
  WantedFixedValues* shared_ = nullptr;  // from the heap, made on the first need
  WorkingArray<std::int32_t, kBucketsOnStack> buckets_;
};

}  // namespace tier::frame
