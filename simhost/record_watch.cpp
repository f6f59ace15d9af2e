#include "simhost/record_watch.h"

#include <algorithm>
#include <cstring>

#include "simhost/sim_host.h"

namespace tier::sim {
namespace {

// Most of the records are unchanged: they are compared in large pieces, a
// piece that differs in chunks, and a chunk that differs byte by byte.
constexpr std::size_t kPiece = 4096;
constexpr std::size_t kChunk = 64;

}  // namespace

RecordWatch::RecordWatch(const SimHost& host) : host_(host), memory_(host.space().memory()) {}

std::size_t RecordWatch::RecordsEnd() const {
  const std::vector<HostBlock>& blocks = host_.Blocks().blocks();
  if (blocks.empty()) return 0;
  return blocks.back().start + blocks.back().size - host_.space().base();
}

void RecordWatch::Begin(HostWrites hostWrites) {
  const std::size_t end = RecordsEnd();
  const std::size_t known = copy_.size();
  hostChanged_ = !begun_ || noteChanged_;
  noteChanged_ = false;
  // Read in whole unless the caller vouches that the notes hold every write.
  const std::size_t compared = hostWrites == HostWrites::kCompared ? known : 0;
  for (std::size_t piece = 0; piece < compared; piece += kPiece) {
    const std::size_t length = std::min(kPiece, known - piece);
    if (std::memcmp(memory_ + piece, copy_.data() + piece, length) == 0) continue;
    hostChanged_ = true;
    std::memcpy(copy_.data() + piece, memory_ + piece, length);
  }
  // The records made since: new, not changed.
  if (end > known) {
    copy_.resize(end);
    std::memcpy(copy_.data() + known, memory_ + known, end - known);
  }
  if (hostChanged_) invariantsKnown_ = false;
  callEnd_ = end;
  begun_ = true;
  found_.clear();
  foundBytes_.clear();
}

void RecordWatch::Note(HostAddress address, std::size_t size) {
  const std::size_t offset = address - host_.space().base();
  if (offset >= copy_.size()) return;
  const std::size_t length = std::min(size, copy_.size() - offset);
  if (std::memcmp(memory_ + offset, copy_.data() + offset, length) == 0) return;
  std::memcpy(copy_.data() + offset, memory_ + offset, length);
  noteChanged_ = true;
}

std::vector<AccessBreach> RecordWatch::End() {
  ForbiddenWriteRuns runs(host_);
  const std::vector<HostBlock>& blocks = host_.Blocks().blocks();
  if (blocks.empty() || callEnd_ == 0) return runs.Finish();
  const HostAddress base = host_.space().base();
  // From the first block on, as RecordSnapshot compares.
  const std::size_t first = blocks.front().start - base;
  for (std::size_t piece = first; piece < callEnd_; piece += kPiece) {
    const std::size_t pieceEnd = std::min(piece + kPiece, callEnd_);
    if (std::memcmp(memory_ + piece, copy_.data() + piece, pieceEnd - piece) == 0) continue;
    for (std::size_t chunk = piece; chunk < pieceEnd; chunk += kChunk) {
      const std::size_t length = std::min(kChunk, pieceEnd - chunk);
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
