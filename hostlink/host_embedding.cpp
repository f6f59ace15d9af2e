#include "hostlink/host_embedding.h"

#include "host/native_memory.h"
#include "simhost/field_check.h"
#include "simhost/host_session.h"
#include "simhost/host_side.h"
#include "support/hex.h"

namespace tier::hostlink {

using host::HostMemory;
using host::HostMemoryInEffect;
using host::IsInsideRecord;
using host::ServiceFunction;
using sim::DeliverRefresh;
using sim::kServiceSlotBytes;
using sim::kServiceStubs;
using sim::ServiceAt;
namespace {

constexpr int kServiceWords = 3;  // every service takes three words, stdcall
constexpr std::uint16_t kRefreshNodeOrdinal = 108;
constexpr int kRefreshNodeWords = 3;

static_assert(emulator::guest_map::kEmbedderGates.Holds(kServiceStubs, emulator::guest_map::kPage),
              "the service page lies where the emulator offers call gates");

// The memory of the host in effect, told apart from any other by its session.
emulator::SharedMemory HostRecords() {
  const sim::HostSession* session = sim::HostSession::InEffect();
  if (session == nullptr || session->memory == nullptr) return {};
  const HostMemory& view = *session->memory;
  return {view.bytes, view.base, static_cast<std::uint32_t>(view.capacity), session->serial()};
}

std::string HostAccessProblem(const CurrentHost& currentHost, std::uint32_t address,
                              std::uint32_t size, bool write) {
  const sim::SimHost* host = currentHost ? currentHost() : nullptr;
  if (host != nullptr) {
    const std::optional<sim::AccessBreach> breach = sim::CheckAccess(
        *host, address, size, write ? sim::AccessKind::Write : sim::AccessKind::Read);
    return breach ? breach->place + ", " + breach->rule : "";
  }
  const HostMemory* view = HostMemoryInEffect();
  if (view != nullptr && IsInsideRecord(*view, address, size)) return "";
  return HexAddress(address) + " outside every record of the host";
}

std::uint32_t AnswerService(std::uint32_t address, emulator::ImportCall& call) {
  const ServiceFunction service = ServiceAt(address);
  if (service == nullptr) {
    call.Fail("a call of " + HexAddress(address) + ", which is no service of the host");
    return 0;
  }
  return service(call.Argument(0), call.Argument(1), call.Argument(2));
}

// RefreshNode(frame, node, flag): the result is never used.
std::uint32_t RefreshNodeImport(emulator::ImportCall& call) {
  DeliverRefresh(call.Argument(0), call.Argument(1), static_cast<std::int32_t>(call.Argument(2)));
  return 0;
}

}  // namespace

emulator::LoadOptions HostLoadOptions(CurrentHost currentHost) {
  emulator::LoadOptions options;
  emulator::Embedding& embedding = options.embedding;
  embedding.sharedMemory = &HostRecords;
  embedding.accessRule = [currentHost = std::move(currentHost)](std::uint32_t address,
                                                                std::uint32_t size, bool write) {
    return HostAccessProblem(currentHost, address, size, write);
  };
  embedding.imports = {emulator::StdcallOrdinal("VELDRUN.dll", kRefreshNodeOrdinal,
                                                kRefreshNodeWords, &RefreshNodeImport)};
  embedding.gates = {{kServiceStubs, emulator::guest_map::kPage, kServiceSlotBytes, kServiceWords,
                      &AnswerService}};
  return options;
}

}  // namespace tier::hostlink
