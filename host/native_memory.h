// How the plug-in's host pointers resolve natively: against the memory in
// which a simulated host laid out its records (simhost/address_space.h), each
// access checked to lie inside one record, so that a stray access of the
// plug-in stops at once with a message. The Win32 build needs none of this:
// there a host address is the machine pointer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/host_ptr.h"

namespace tier::host {

// The record blocks of a host's memory, made one after another at rising
// addresses. Beside them a table gives, for each 64-byte stretch of the
// memory, how many blocks start at or before its last byte: the block of an
// address is then one look-up and a step or two back, however many blocks
// the host made (a walk over a long list resolves an address at every step).
class RecordIndex {
 public:
  struct Record {
    HostAddress start;
    std::uint32_t size;
  };

  explicit RecordIndex(HostAddress base = 0) : base_(base) {}

  // A block above every earlier one (the host hands out its memory upward).
  void Add(HostAddress start, std::uint32_t size) {
    const std::size_t stretch = (start - base_) >> kStretchShift;
    const auto before = static_cast<std::uint32_t>(records_.size());
    if (stretchCounts_.size() <= stretch) stretchCounts_.resize(stretch + 1, before);
    stretchCounts_[stretch] = before + 1;
    records_.push_back({start, size});
  }

  // How many blocks start at or below `address`: the last of them is the
  // only one that can hold it.
  std::size_t CountAtOrBelow(HostAddress address) const {
    if (address < base_) return 0;
    const std::size_t stretch = (address - base_) >> kStretchShift;
    std::size_t count = stretch < stretchCounts_.size() ? stretchCounts_[stretch] : records_.size();
    while (count > 0 && records_[count - 1].start > address) --count;
    return count;
  }

  const std::vector<Record>& records() const { return records_; }

 private:
  static constexpr unsigned kStretchShift = 6;
  HostAddress base_;
  std::vector<Record> records_;
  std::vector<std::uint32_t> stretchCounts_;  // by 64-byte stretch from base_
};

// The record that holds all of [address, address + size), or null: the one
// lookup of a block, for the plug-in's pointers and for the emulator alike.
inline const RecordIndex::Record* RecordHolding(const RecordIndex& records, HostAddress address,
                                                std::size_t size) {
  const std::size_t count = records.CountAtOrBelow(address);
  if (count == 0) return nullptr;
  const RecordIndex::Record& record = records.records()[count - 1];
  return std::uint64_t{address} + size <= std::uint64_t{record.start} + record.size ? &record
                                                                                    : nullptr;
}

#if !TIER_WIN32

struct HostMemory {
  std::uint8_t* bytes = nullptr;  // the memory at `base`
  HostAddress base = 0;
  std::size_t capacity = 0;
  std::size_t used = 0;  // bytes handed out so far
  const RecordIndex* records = nullptr;
  // Whether each access must lie inside one record (the benchmarks turn it
  // off).
  bool checked = true;
};

inline bool IsInsideRecord(const HostMemory& memory, HostAddress address, std::size_t size) {
  return RecordHolding(*memory.records, address, size) != nullptr;
}

// The memory of the host in effect, which every host address resolves
// against; null when no host is in effect or it has no memory. The program
// that plays the host defines it (simhost/host_session.h), so that the
// plug-in's side holds no state.
const HostMemory* HostMemoryInEffect();

// Stops the program with a message about a stray access.
[[noreturn]] void FailAccess(const char* what, HostAddress address, std::size_t size);

#endif

}  // namespace tier::host
