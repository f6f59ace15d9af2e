// The host's contract checked byte by byte: which record each block of the
// simulated host holds, and whether the plug-in may read or write a byte of
// it, by the field map of host/records.h. Two checks use it: the CPU
// emulator asks about every access of the library as it happens (reads and
// writes), and every caller compares the records after a call with a copy
// taken before it (writes only, in every form of the plug-in: a write that
// puts back the same value, and every read, can be seen only in the
// emulator).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/host_ptr.h"
#include "host/native_memory.h"

namespace tier::sim {

using host::HostAddress;

class SimHost;

// What a block of the simulated host holds. A HostObject's block holds its
// display block and its alterable values too, at the offsets it names.
enum class RecordKind : std::uint8_t {
  RunData,
  RunHeader,
  Frame,
  DisplayList,
  ObjectTable,
  ObjectTypeEntry,
  HostObject,
  DisplayNode,
  ObjectParam,
  AltValueParam,
  TextArgument,
};

struct HostBlock {
  HostAddress start;
  std::uint32_t size;
  RecordKind kind;
};

// The blocks in the order the host made them, which is by rising address,
// found by address through an index (host/native_memory.h).
class BlockMap {
 public:
  void Add(HostAddress start, std::uint32_t size, RecordKind kind);
  // The block that holds `address`, or else the last one before it; null
  // when no block starts at or below it.
  const HostBlock* AtOrBefore(HostAddress address) const;
  const std::vector<HostBlock>& blocks() const { return blocks_; }

 private:
  std::vector<HostBlock> blocks_;
  host::RecordIndex index_;
};

enum class AccessKind : std::uint8_t { Read, Write };

// One access the contract does not allow.
struct AccessBreach {
  AccessKind kind = AccessKind::Read;
  std::uint32_t size = 0;
  HostAddress address = 0;
  std::string record;  // "RunData"; empty outside every block
  std::string field;   // "runHeader"; empty where the byte is no field of ours
  std::string place;   // "RunData+0x06 (runHeader)"
  std::string rule;    // "which the plug-in may only read"

  // "RunData+0x06 (runHeader), which the plug-in may only read": where and
  // why, for a message that tells the access its own way.
  std::string PlaceAndRule() const { return place + ", " + rule; }
  // "wrote 4 bytes at RunData+0x06 (runHeader), which the plug-in may only read"
  std::string Message() const;
};

// Nullopt when the plug-in may make this access of `size` bytes at `address`
// in `host`'s memory; else the first byte's breach. Each byte must lie in a
// field that allows the access; a parameter record only while the call it
// was handed to lasts (SimHost::OpenCall).
std::optional<AccessBreach> CheckAccess(const SimHost& host, HostAddress address,
                                        std::uint32_t size, AccessKind kind);

// The writes outside the writable fields among the bytes a call changed,
// met in rising address order: a run of changed bytes of one field (or of
// one stretch that is no field of ours) that the plug-in may not write is one
// write.
class ForbiddenWriteRuns {
 public:
  explicit ForbiddenWriteRuns(const SimHost& host) : host_(host) {}
  // A byte that differs from what it was.
  void Changed(HostAddress address);
  // The writes, each as the access that made it.
  std::vector<AccessBreach> Finish();

 private:
  void Flush();

  const SimHost& host_;
  std::vector<AccessBreach> breaches_;
  bool inRun_ = false;
  HostAddress runStart_ = 0, runEnd_ = 0;
  std::string runRecord_, runField_;
  const void* runRule_ = nullptr;
};

// A copy of every byte of the host's records, taken before a call, and the
// writes the call made outside the writable fields, found by comparing. Both
// take time linear in the size of the frame.
class RecordSnapshot {
 public:
  explicit RecordSnapshot(const SimHost& host);
  // Each run of changed bytes that the plug-in may not write, as the write
  // that made it.
  std::vector<AccessBreach> ForbiddenWrites() const;

 private:
  const SimHost& host_;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace tier::sim
