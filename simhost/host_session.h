// Everything of one simulated host that the plug-in's calls reach without
// being handed it: the memory its host pointers resolve against, the page of
// its services, the addresses of the plug-in's static tables, where its
// RefreshNode calls go, and how many more host texts it may allocate.
//
// Exactly one process-wide pointer names the session in effect. A session is
// entered when it is made and left when it ends; a Scope puts one in effect
// again for a while (one routine call on a host that a later one covers).
// The latest entered still in effect wins, whatever order they are left in.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "host/native_memory.h"
#include "host/services.h"

namespace tier::sim {

using host::HostAddress;

class SimHost;

class HostSession {
  struct Entry {
    HostSession* session = nullptr;
    Entry* below = nullptr;  // the entry in effect before this one
  };

 public:
  HostSession();
  ~HostSession();
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  // The session in effect; null when none is.
  static HostSession* InEffect();

  class Scope {
   public:
    explicit Scope(HostSession& session);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    Entry entry_;
  };

  // Tells this session's memory from that of any other, before or after it.
  std::uint64_t serial() const { return serial_; }

  // A reference to `service` that the plug-in can call: natively the address
  // of its slot in the service page, in the Win32 build the function itself.
  host::ServiceRef Offer(host::ServiceFunction service);
  // The address the descriptor stores for one of the plug-in's tables, and
  // the table behind such an address.
  HostAddress StaticAddress(const void* table);
  const void* ResolveStatic(HostAddress address) const;

  // The simulated host that made this session; null for one that only loads
  // the plug-in.
  SimHost* host = nullptr;
  // Receives every RefreshNode call made while the session is in effect.
  std::function<void(HostAddress frame, HostAddress node, std::int32_t flag)> refreshSink;
  // Host texts that may still be allocated before one fails; negative: all.
  int textCountdown = -1;
#if !TIER_WIN32
  // What the plug-in's host pointers resolve against; null: no memory yet.
  const host::HostMemory* memory = nullptr;
  // The service at `address` of the service page; null when none has it.
  host::ServiceFunction ServiceAt(HostAddress address) const;
#endif

 private:
  // The one process-wide object: the chain of entries, the one in effect
  // first, and how many sessions were ever made, to number them.
  struct Chain {
    Entry* top = nullptr;
    std::uint64_t made = 0;
  };
  static Chain chain_;

  Entry entry_;
  std::uint64_t serial_ = 0;
#if !TIER_WIN32
  std::vector<host::ServiceFunction> services_;  // by slot of the service page
  std::vector<const void*> statics_;             // by slot of the static range
#endif
};

}  // namespace tier::sim
