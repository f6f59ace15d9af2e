#include "simhost/page_watch.h"

#if defined(__linux__) && !defined(__EMSCRIPTEN__)
#define TIER_PAGE_WATCH 1
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#endif

namespace tier::sim {

#if TIER_PAGE_WATCH
namespace {

// The watches the fault handler knows. A process makes a few hosts at once
// at most; one more than fit here goes unwatched.
constexpr int kMostWatches = 64;
std::atomic<PageWatch*> watches[kMostWatches];
struct sigaction previousAction;  // the handler before ours, for every other fault

void OnFault(int signal, siginfo_t* info, void* context) {
  if (info->si_code == SEGV_ACCERR) {
    for (std::atomic<PageWatch*>& slot : watches) {
      PageWatch* watch = slot.load(std::memory_order_acquire);
      if (watch != nullptr && watch->TakeWrite(info->si_addr)) return;
    }
  }
  // Not a write to a watched page: the fault is what it was before we came.
  if ((previousAction.sa_flags & SA_SIGINFO) != 0) {
    previousAction.sa_sigaction(signal, info, context);
  } else if (previousAction.sa_handler != SIG_DFL && previousAction.sa_handler != SIG_IGN) {
    previousAction.sa_handler(signal);
  } else {
    // Returning runs the faulting instruction again, which now ends the
    // program as the system would have.
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    sigaction(SIGSEGV, &plain, nullptr);
  }
}

bool InstallHandler() {
  static const bool installed = [] {
    if (sysconf(_SC_PAGESIZE) != static_cast<long>(PageWatch::kPageBytes)) return false;
    struct sigaction action {};
    action.sa_sigaction = &OnFault;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    return sigaction(SIGSEGV, &action, &previousAction) == 0;
  }();
  return installed;
}

}  // namespace

PageWatch::PageWatch(std::uint8_t* memory, std::size_t capacity)
    : memory_(memory), pages_(capacity / kPageBytes) {
  if (!InstallHandler()) return;
  written_ = std::make_unique<std::atomic<std::uint8_t>[]>(pages_);
  for (std::size_t page = 0; page < pages_; ++page) written_[page].store(1);
  for (int slot = 0; slot < kMostWatches; ++slot) {
    PageWatch* expected = nullptr;
    if (watches[slot].compare_exchange_strong(expected, this)) {
      slot_ = slot;
      return;
    }
  }
}

PageWatch::~PageWatch() {
  if (!active()) return;
  watches[slot_].store(nullptr, std::memory_order_release);
  mprotect(memory_, pages_ * kPageBytes, PROT_READ | PROT_WRITE);
}

void PageWatch::Protect(std::size_t first, std::size_t last) {
  if (!active() || first >= last) return;
  for (std::size_t page = first; page < last; ++page) written_[page].store(0);
  mprotect(memory_ + first * kPageBytes, (last - first) * kPageBytes, PROT_READ);
}

bool PageWatch::TakeWrite(const void* address) {
  const auto* byte = static_cast<const std::uint8_t*>(address);
  if (byte < memory_ || byte >= memory_ + pages_ * kPageBytes) return false;
  const std::size_t page = static_cast<std::size_t>(byte - memory_) / kPageBytes;
  if (written_[page].load() != 0) return false;  // writable already: a fault of its own
  written_[page].store(1);
  return mprotect(memory_ + page * kPageBytes, kPageBytes, PROT_READ | PROT_WRITE) == 0;
}

#else

PageWatch::PageWatch(std::uint8_t* memory, std::size_t capacity)
    : memory_(memory), pages_(capacity / kPageBytes) {}
PageWatch::~PageWatch() = default;
void PageWatch::Protect(std::size_t, std::size_t) {}
bool PageWatch::TakeWrite(const void*) { return false; }

#endif

}  // namespace tier::sim
