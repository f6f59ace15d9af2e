// The C runtime heap of an emulated library: blocks handed out from one
// region of the guest's address space, with what a checker needs to know
// about them. Every byte the library may touch lies inside a live block; the
// gap after each block and every freed block are not live, so a read past a
// block's end or a use after free is told apart from a proper access.
// Freed blocks wait in a quarantine before their room is handed out again,
// so that a stale pointer keeps pointing at memory that is not live.
// It also keeps the account of one call at a time: the blocks allocated
// since the call began that are still live, and the most bytes they held at
// once, so that a block the call forgot to free is found when it returns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <vector>

namespace tier::emulator {

class GuestHeap {
 public:
  GuestHeap(std::uint32_t base, std::uint32_t size);

  // A block of `size` bytes (at least one), 16-aligned; 0 when there is no
  // room or an injected failure is due.
  std::uint32_t Allocate(std::uint32_t size);
  // False when `address` does not start a live block (a double free, a
  // pointer into a block, or one the heap never gave out). Null is accepted.
  bool Free(std::uint32_t address);
  // The size of the live block that starts at `address`; 0 if none does.
  std::uint32_t BlockSize(std::uint32_t address) const;

  // Whether [address, address + size) lies inside one live block.
  bool IsLive(std::uint32_t address, std::uint32_t size) const;
  // Whether `address` lies in a block that was freed and not yet handed out
  // again (for messages: "use after free").
  bool WasFreed(std::uint32_t address) const;

  std::uint32_t base() const { return base_; }
  std::uint32_t size() const { return size_; }
  std::size_t liveBlocks() const { return live_.size(); }

  // The account of a call: opened by BeginCall, read when the call returns.
  void BeginCall();
  // Whether the live block at `address` was allocated since BeginCall.
  bool AllocatedInCall(std::uint32_t address) const;
  // The blocks allocated since BeginCall that are still live, lowest first.
  std::vector<std::uint32_t> KeptFromCall() const;
  std::size_t callBlocksLive() const { return callBlocks_; }
  // The most bytes that blocks allocated since BeginCall held at once.
  std::uint32_t callPeakBytes() const { return callPeakBytes_; }

  // Makes the next `countdown` allocations succeed and the one after fail; a
  // negative countdown never fails.
  void FailAllocationAfter(int countdown) { failCountdown_ = countdown; }

 private:
  // Room of `size` bytes from the free ranges (first fit); 0 if none.
  std::uint32_t TakeRoom(std::uint32_t size);
  void ReturnRoom(std::uint32_t start, std::uint32_t size);

  struct Block {
    std::uint32_t size;    // as requested
    std::uint64_t serial;  // allocations before it
  };

  std::uint32_t base_, size_;
  std::map<std::uint32_t, Block> live_;          // by start
  std::map<std::uint32_t, std::uint32_t> free_;  // start -> bytes of room
  struct Freed {
    std::uint32_t start, room;
  };
  std::deque<Freed> quarantine_;
  std::map<std::uint32_t, std::uint32_t> quarantined_;  // start -> room, for WasFreed
  std::uint32_t quarantineBytes_ = 0;
  int failCountdown_ = -1;
  std::uint64_t allocations_ = 0;
  std::uint64_t callBegan_ = 0;  // allocations_ at BeginCall
  std::size_t callBlocks_ = 0;
  std::uint64_t callBytes_ = 0;
  std::uint32_t callPeakBytes_ = 0;
};

}  // namespace tier::emulator
