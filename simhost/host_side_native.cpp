// The host services natively: the plug-in's calls reach the session in effect
// (simhost/host_session.h), its services through the slots of the service
// page, RefreshNode through the session's refresh sink.
#include <cstdio>
#include <cstdlib>

#include "simhost/host_session.h"
#include "simhost/host_side.h"
#include "simhost/test_hooks.h"

namespace tier::host {
namespace {

using sim::HostSession;

// Static tables get addresses in a range the address space never uses.
constexpr HostAddress kStaticBase = 0xFFF00000;
constexpr HostAddress kStaticSlotBytes = 16;

// A service or a table of the host that cannot be resolved: the plug-in's
// call cannot go on, and the host has no way to end it and answer.
[[noreturn]] void Fail(const char* what, std::uint32_t word) {
  std::fprintf(stderr, "\n*** %s (0x%08X) ***\n", what, static_cast<unsigned>(word));
  std::fflush(stderr);
  std::abort();
}

HostSession& Session(const char* what) {
  HostSession* session = HostSession::InEffect();
  if (session == nullptr) Fail(what, 0);
  return *session;
}

std::uint32_t Call(ServiceRef service, std::uint32_t a, std::uint32_t b, std::uint32_t c) {
  const ServiceFunction function = sim::ServiceAt(service.word);
  if (function == nullptr)
    Fail("call of a host service that the host does not offer", service.word);
  return function(a, b, c);
}

}  // namespace

const HostMemory* HostMemoryInEffect() {
  const HostSession* session = HostSession::InEffect();
  return session != nullptr ? session->memory : nullptr;
}

std::uint32_t GetNextParameter(const RunData& runData) {
  return Call(RunHeaderOf(runData)->getNextParameter, AddressOf(&runData), 0xFFFF, 0);
}

std::uint32_t GetExpressionParameter(const RunData& runData, std::int32_t kind,
                                     std::int32_t token) {
  return Call(RunHeaderOf(runData)->getExpressionParameter, AddressOf(&runData),
              static_cast<std::uint32_t>(kind), static_cast<std::uint32_t>(token));
}

void RefreshNode(Frame& frame, DisplayNode& node) {
  sim::DeliverRefresh(AddressOf(&frame), AddressOf(&node), 1);
}

char* AllocateHostText(std::size_t size) {
  HostSession& session = Session("a host text asked for with no host in effect");
  if (session.textCountdown == 0) return nullptr;
  if (session.textCountdown > 0) --session.textCountdown;
  return static_cast<char*>(std::malloc(size));
}

HostAddress StaticAddress(const void* table) {
  return Session("a table's address asked for with no host in effect").StaticAddress(table);
}

}  // namespace tier::host

namespace tier::sim {

void DeliverRefresh(HostAddress frame, HostAddress node, std::int32_t flag) {
  HostSession* session = HostSession::InEffect();
  if (session != nullptr && session->refreshSink) session->refreshSink(frame, node, flag);
}

void FailHostTextAllocationAfter(int countdown) {
  host::Session("no host in effect to fail a text allocation").textCountdown = countdown;
}

const void* ResolveStatic(HostAddress address) {
  return host::Session("a table resolved with no host in effect").ResolveStatic(address);
}

host::ServiceFunction ServiceAt(HostAddress address) {
  const HostSession* session = HostSession::InEffect();
  return session != nullptr ? session->ServiceAt(address) : nullptr;
}

host::ServiceRef HostSession::Offer(host::ServiceFunction service) {
  std::size_t index = 0;
  while (index < services_.size() && services_[index] != service) ++index;
  if (index == services_.size()) {
    if (services_.size() == 4096 / sim::kServiceSlotBytes)
      host::Fail("no room for another host service", 0);
    services_.push_back(service);
  }
  return host::ServiceRef{sim::kServiceStubs +
                          static_cast<std::uint32_t>(index) * sim::kServiceSlotBytes};
}

host::ServiceFunction HostSession::ServiceAt(HostAddress address) const {
  const std::size_t index = (address - sim::kServiceStubs) / sim::kServiceSlotBytes;
  if (address < sim::kServiceStubs ||
      (address - sim::kServiceStubs) % sim::kServiceSlotBytes != 0 || index >= services_.size())
    return nullptr;
  return services_[index];
}

HostAddress HostSession::StaticAddress(const void* table) {
  std::size_t index = 0;
  while (index < statics_.size() && statics_[index] != table) ++index;
  if (index == statics_.size()) statics_.push_back(table);
  return host::kStaticBase + static_cast<HostAddress>(index) * host::kStaticSlotBytes;
}

const void* HostSession::ResolveStatic(HostAddress address) const {
  const std::size_t index = (address - host::kStaticBase) / host::kStaticSlotBytes;
  if (address < host::kStaticBase || index >= statics_.size())
    host::Fail("not an address of one of the plug-in's tables", address);
  return statics_[index];
}

}  // namespace tier::sim
