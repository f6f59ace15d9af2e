// Which pages of a stretch of memory were written since they were last
// looked at, told by the processor: the pages are kept read-only, and the
// first write to one stops in a handler that notes the page and gives it its
// write access back, so that the write goes on as if nothing happened.
// Finding a call's writes then takes time in the pages it wrote, not in the
// size of the frame. Where the system offers no such thing (the Win32
// build, the web page) a watch is inactive and every page counts as written.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace tier::sim {

class PageWatch {
 public:
  static constexpr std::size_t kPageBytes = 4096;

  // `memory` page-aligned, `capacity` a whole number of pages; nothing is
  // watched until Protect.
  PageWatch(std::uint8_t* memory, std::size_t capacity);
  ~PageWatch();
  PageWatch(const PageWatch&) = delete;
  PageWatch& operator=(const PageWatch&) = delete;

  bool active() const { return slot_ >= 0; }
  // Whether page `page` may have been written since Protect last took it.
  bool Written(std::size_t page) const {
    return !active() || written_[page].load(std::memory_order_relaxed) != 0;
  }
  // Pages [first, last) read-only again, as not written.
  void Protect(std::size_t first, std::size_t last);

  // For the fault handler: takes a write to `address` when it lies in a page
  // this watch keeps read-only; false when it does not (a fault of its own).
  bool TakeWrite(const void* address);

 private:
  std::uint8_t* memory_;
  std::size_t pages_;
  std::unique_ptr<std::atomic<std::uint8_t>[]> written_;  // 1: written, or never protected
  int slot_ = -1;                                         // in the handler's table; -1: inactive
};

}  // namespace tier::sim
