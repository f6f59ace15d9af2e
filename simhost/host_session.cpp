#include "simhost/host_session.h"

namespace tier::sim {

HostSession::Chain HostSession::chain_;

HostSession::HostSession() : entry_{this, chain_.top}, serial_(++chain_.made) {
  chain_.top = &entry_;
}

HostSession::~HostSession() {
  // Every entry naming this session leaves, a Scope's too, so that nothing
  // in the chain outlives its session.
  for (Entry** at = &chain_.top; *at != nullptr;) {
    if ((*at)->session == this)
      *at = (*at)->below;
    else
      at = &(*at)->below;
  }
}

HostSession* HostSession::InEffect() {
  return chain_.top != nullptr ? chain_.top->session : nullptr;
}

HostSession::Scope::Scope(HostSession& session) : entry_{&session, chain_.top} {
  chain_.top = &entry_;
}

HostSession::Scope::~Scope() {
  for (Entry** at = &chain_.top; *at != nullptr; at = &(*at)->below) {
    if (*at == &entry_) {
      *at = entry_.below;
      return;
    }
  }
}

}  // namespace tier::sim
