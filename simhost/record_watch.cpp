#include "simhost/record_watch.h"

#include <algorithm>
#include <cstring>

#include "simhost/sim_host.h"

namespace tier::sim {
namespace {

constexpr std::size_t kPage = PageWatch::kPageBytes;
// Bytes are compared one by one only inside a chunk that differs.
constexpr std::size_t kChunk = 64;

std::size_t PagesOver(std::size_t bytes) { return (bytes + kPage - 1) / kPage; }

}  // namespace

RecordWatch::RecordWatch(const SimHost& host)
    : host_(host),
      memory_(host.space().memory()),
      pages_(host.space().memory(), host.space().capacity()) {}

std::size_t RecordWatch::RecordsEnd() const {
  const std::vector<HostBlock>& blocks = host_.Blocks().blocks();
  if (blocks.empty()) return 0;
  return blocks.back().start + blocks.back().size - host_.space().base();
}

void RecordWatch::Begin() {
  const std::size_t end = RecordsEnd();
  const std::size_t known = copy_.size();
  // A page written since it was last compared holds the host's writes (or
  // those of a call that ended without its comparison).
  hostChanged_ = !begun_;
  for (std::size_t page = 0; page < PagesOver(known); ++page) {
    if (!pages_.Written(page)) continue;
    const std::size_t from = page * kPage, to = std::min(from + kPage, known);
    if (std::memcmp(memory_ + from, copy_.data() + from, to - from) != 0) {
      hostChanged_ = true;
      std::memcpy(copy_.data() + from, memory_ + from, to - from);
    }
    pages_.Protect(page, page + 1);
  }
  // The records made since: new, not changed.
  if (end > known) {
    copy_.resize(end);
    std::memcpy(copy_.data() + known, memory_ + known, end - known);
    pages_.Protect(known / kPage, PagesOver(end));
  }
  if (hostChanged_) invariantsKnown_ = false;
  callEnd_ = end;
  begun_ = true;
  found_.clear();
  foundBytes_.clear();
}

std::vector<AccessBreach> RecordWatch::End() {
  ForbiddenWriteRuns runs(host_);
  const std::vector<HostBlock>& blocks = host_.Blocks().blocks();
  if (blocks.empty() || callEnd_ == 0) return runs.Finish();
  const HostAddress base = host_.space().base();
  // From the first block on, as RecordSnapshot compares.
  const std::size_t first = blocks.front().start - base;
  for (std::size_t page = first / kPage; page < PagesOver(callEnd_); ++page) {
    if (!pages_.Written(page)) continue;
    // Left written: the next Begin finds it equal to the copy and protects it.
    const std::size_t from = std::max(page * kPage, first);
    const std::size_t to = std::min((page + 1) * kPage, callEnd_);
    for (std::size_t chunk = from; chunk < to; chunk += kChunk) {
      const std::size_t length = std::min(kChunk, to - chunk);
      if (std::memcmp(memory_ + chunk, copy_.data() + chunk, length) == 0) continue;
      for (std::size_t i = chunk; i < chunk + length; ++i)
        if (memory_[i] != copy_[i]) runs.Changed(base + static_cast<HostAddress>(i));
      found_.push_back({chunk, length});
      foundBytes_.insert(foundBytes_.end(), copy_.begin() + static_cast<std::ptrdiff_t>(chunk),
                         copy_.begin() + static_cast<std::ptrdiff_t>(chunk + length));
      std::memcpy(copy_.data() + chunk, memory_ + chunk, length);
    }
  }
  if (!found_.empty()) invariantsKnown_ = false;
  return runs.Finish();
}

void RecordWatch::SwapFound() {
  std::uint8_t* was = foundBytes_.data();
  for (const Found& chunk : found_) {
    std::swap_ranges(was, was + chunk.length, memory_ + chunk.offset);
    was += chunk.length;
  }
}

const std::string& RecordWatch::Invariants() {
  if (!invariantsKnown_) {
    invariants_ = host_.CheckInvariants();
    invariantsKnown_ = true;
  }
  return invariants_;
}

}  // namespace tier::sim
