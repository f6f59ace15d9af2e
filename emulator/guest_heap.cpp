#include "emulator/guest_heap.h"

#include <algorithm>

namespace tier::emulator {
namespace {

// Each block's room ends in a gap of this many bytes that is never live.
constexpr std::uint32_t kGuardBytes = 16;
// Freed room stays out of use until this much more has been freed after it.
constexpr std::uint32_t kQuarantineBytes = 1u << 20;

std::uint32_t RoomFor(std::uint32_t size) { return ((size + 15u) & ~15u) + kGuardBytes; }

}  // namespace

GuestHeap::GuestHeap(std::uint32_t base, std::uint32_t size) : base_(base), size_(size) {
  free_[base] = size;
}

std::uint32_t GuestHeap::TakeRoom(std::uint32_t room) {
  for (auto it = free_.begin(); it != free_.end(); ++it) {
    if (it->second < room) continue;
    const std::uint32_t start = it->first, left = it->second - room;
    free_.erase(it);
    if (left > 0) free_[start + room] = left;
    return start;
  }
  return 0;
}

void GuestHeap::ReturnRoom(std::uint32_t start, std::uint32_t room) {
  auto next = free_.lower_bound(start);
  if (next != free_.end() && start + room == next->first) {  // merge with the room after
    room += next->second;
    next = free_.erase(next);
  }
  if (next != free_.begin()) {
    auto previous = std::prev(next);
    if (previous->first + previous->second == start) {  // merge with the room before
      previous->second += room;
      return;
    }
  }
  free_[start] = room;
}

std::uint32_t GuestHeap::Allocate(std::uint32_t size) {
  if (failCountdown_ == 0) return 0;
  if (failCountdown_ > 0) --failCountdown_;
  if (size == 0) size = 1;
  if (size > size_) return 0;
  const std::uint32_t room = RoomFor(size);
  std::uint32_t start = TakeRoom(room);
  // Out of room: give the quarantine back before refusing.
  while (start == 0 && !quarantine_.empty()) {
    const Freed oldest = quarantine_.front();
    quarantine_.pop_front();
    quarantined_.erase(oldest.start);
    quarantineBytes_ -= oldest.room;
    ReturnRoom(oldest.start, oldest.room);
    start = TakeRoom(room);
  }
  if (start == 0) return 0;
  live_[start] = {size, allocations_++};
  ++callBlocks_;
  callBytes_ += size;
  callPeakBytes_ = static_cast<std::uint32_t>(std::max<std::uint64_t>(callPeakBytes_, callBytes_));
  return start;
}

bool GuestHeap::Free(std::uint32_t address) {
  if (address == 0) return true;
  const auto it = live_.find(address);
  if (it == live_.end()) return false;
  const std::uint32_t room = RoomFor(it->second.size);
  if (it->second.serial >= callBegan_) {
    --callBlocks_;
    callBytes_ -= it->second.size;
  }
  live_.erase(it);
  quarantine_.push_back({address, room});
  quarantined_[address] = room;
  quarantineBytes_ += room;
  while (quarantineBytes_ > kQuarantineBytes) {
    const Freed oldest = quarantine_.front();
    quarantine_.pop_front();
    quarantined_.erase(oldest.start);
    quarantineBytes_ -= oldest.room;
    ReturnRoom(oldest.start, oldest.room);
  }
  return true;
}

std::uint32_t GuestHeap::BlockSize(std::uint32_t address) const {
  const auto it = live_.find(address);
  return it == live_.end() ? 0 : it->second.size;
}

bool GuestHeap::IsLive(std::uint32_t address, std::uint32_t size) const {
  auto it = live_.upper_bound(address);
  if (it == live_.begin()) return false;
  --it;
  return std::uint64_t{address} + size <= std::uint64_t{it->first} + it->second.size;
}

bool GuestHeap::WasFreed(std::uint32_t address) const {
  auto it = quarantined_.upper_bound(address);
  if (it == quarantined_.begin()) return false;
  --it;
  return address < std::uint64_t{it->first} + it->second;
}

void GuestHeap::BeginCall() {
  callBegan_ = allocations_;
  callBlocks_ = 0;
  callBytes_ = 0;
  callPeakBytes_ = 0;
}

bool GuestHeap::AllocatedInCall(std::uint32_t address) const {
  const auto it = live_.find(address);
  return it != live_.end() && it->second.serial >= callBegan_;
}

// Seldom called (only when a call kept blocks), so a walk over every block.
std::vector<std::uint32_t> GuestHeap::KeptFromCall() const {
  std::vector<std::uint32_t> kept;
  for (const auto& [start, block] : live_)
    if (block.serial >= callBegan_) kept.push_back(start);
  return kept;
}

}  // namespace tier::emulator
