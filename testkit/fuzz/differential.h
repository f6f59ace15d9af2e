// Runs a case through the plug-in (over the simulated host, through the
// descriptor's tables) and through the reference model side by side, and
// compares after every call: the result, the returned text, the refresh
// sequence, the service calls and every host field the plug-in may write; and
// at every service call inside a call, a digest of the fields the plug-in may
// write, so that a call showing the host another half-done list at a refresh
// is caught even when it ends the same.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "plugin/catalogue.h"
#include "testkit/fuzz/cases.h"

namespace tier::testkit::fuzz {

struct Divergence {
  int call = -1;  // index of the call after which the two disagree; -1: the layout
  std::string what;
};

// How often each routine ran and how often it changed or answered something.
struct Stats {
  // By catalogue index.
  std::array<long long, plugin::kCatalogue.size()> calls{};
  std::array<long long, plugin::kCatalogue.size()> effects{};
  long long frames = 0;
  long long totalCalls = 0;
  long long largestFrame = 0;  // objects
  std::string Summary() const;
  // Adds the counts of another run (of other seeds).
  void Merge(const Stats& other);
};

std::optional<Divergence> RunCase(const Case& c, Stats* stats = nullptr);

// A smaller case (fewer calls, objects and nodes) that still diverges; at
// most `attempts` reruns.
Case Shrink(const Case& c, const Divergence& first, int attempts = 3000);

std::string Report(const Case& c, const Divergence& d, const std::string& origin);

// While set, an abort inside the plug-in (natively: a stray host access)
// prints this case and the call it was in.
void SetCaseForCrashReport(const Case* c, const std::string& origin);

}  // namespace tier::testkit::fuzz
