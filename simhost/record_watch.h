// The records of a simulated host compared around every call, as
// RecordSnapshot compares them, against a copy kept from one call to the
// next rather than made afresh for each: before the call the copy takes in
// what the host changed since the last one, after it the call's changes are
// found and taken in. Knowing that a call changed no byte also spares what
// depends on the bytes alone: the host's invariants, and the display table
// as the call found it.
//
// The host's own services that write into records it made earlier note
// their writes in the copy as they make them. A caller that writes between
// calls through those services alone may say so at Begin, and the records
// are then not read in whole before the call, only after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "simhost/field_check.h"

namespace tier::sim {

class SimHost;

class RecordWatch {
 public:
  explicit RecordWatch(const SimHost& host);
  RecordWatch(const RecordWatch&) = delete;
  RecordWatch& operator=(const RecordWatch&) = delete;

  // How the host's writes since the last call are known at Begin.
  enum class HostWrites {
    // Found by comparing every byte of the records with the copy: the host
    // (or a test) may have written anywhere.
    kCompared,
    // Noted as they were made: the caller vouches that it changed the
    // records only through the host's services. A write made behind the
    // copy's back anyway is found after the call and charged to the call, a
    // breach wherever the call may not write that byte: the caller's broken
    // word fails loudly, and every byte the call changes is still compared
    // (only a call that put such a byte back as the copy holds it would
    // pass unseen).
    kNoted,
  };

  // Before a call: the copy takes in what the host wrote since the last
  // call and the records it made since, so that every change from here on
  // is the call's.
  void Begin(HostWrites hostWrites = HostWrites::kCompared);
  // A write of the host into its records, made through one of its services:
  // the copy takes it in at once (records made since the copy last grew are
  // taken in whole at Begin).
  void Note(HostAddress address, std::size_t size);
  // After the call: each run of changed bytes that the plug-in may not
  // write, as the write that made it (as RecordSnapshot::ForbiddenWrites),
  // the copy brought up to date.
  std::vector<AccessBreach> End();

  // Whether the call changed some byte of the records.
  bool callChanged() const { return !found_.empty(); }
  // Whether no byte of the records changed since the call before it ended:
  // neither the host between the calls nor the call (the records the host
  // made since apart).
  bool unchangedSinceLastCall() const { return !hostChanged_ && found_.empty(); }

  // `look` run on the records as the call found them, put back for the
  // while; what it returns.
  template <typename Look>
  auto AsFound(Look look) {
    SwapFound();
    struct Back {
      RecordWatch& watch;
      ~Back() { watch.SwapFound(); }
    } back{*this};
    return look();
  }

  // SimHost::CheckInvariants of the records as the call left them (right
  // after End), found again only when a byte changed since it last was.
  const std::string& Invariants();

 private:
  struct Found {
    std::size_t offset;  // from the space's first byte
    std::size_t length;
  };
  void SwapFound();
  std::size_t RecordsEnd() const;  // offset of the last block's end

  const SimHost& host_;
  std::uint8_t* memory_;
  std::vector<std::uint8_t> copy_;  // from the space's first byte
  std::size_t callEnd_ = 0;         // the records' end when the call began
  bool hostChanged_ = true;         // by the host before the call (or unknown)
  bool noteChanged_ = false;        // a noted write changed a byte since Begin
  bool begun_ = false;
  std::vector<Found> found_;              // the chunks the call changed
  std::vector<std::uint8_t> foundBytes_;  // their bytes as the call found them, in order
  std::string invariants_;
  bool invariantsKnown_ = false;
};

}  // namespace tier::sim
