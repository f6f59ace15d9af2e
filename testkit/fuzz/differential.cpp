#include "testkit/fuzz/differential.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>

#include "bridge/frame_records.h"
#include "hostlink/routine_call.h"
#include "plugin/catalogue.h"
#include "support/quote.h"
#include "support/result.h"
#include "testkit/fuzz/parameters.h"
#include "testkit/plugin_under_test.h"

namespace tier::testkit::fuzz {
namespace {

using model::Kind;

int RoutineIndex(const model::Call& c) {
  return static_cast<int>(&RowOf(c.kind, c.code) - plugin::kCatalogue.data());
}

bool ReturnsText(const model::Call& c) { return plugin::ReturnsText(RowOf(c.kind, c.code)); }

// Parameter words made once per frame, so that a long case does not fill the
// host's memory.
class Words {
 public:
  Words(sim::SimHost& sim, const FrameRecipe& frame) : sim_(sim), frame_(frame) {}

  std::int32_t ObjectParam(int type) {
    auto [it, made] = objectParams_.try_emplace(type, 0);
    if (made) it->second = sim_.ObjectParamWord(type);
    return it->second;
  }

  // Any instance of the type: the routine must use only its type.
  std::int32_t ActionObject(int type, std::uint32_t choice) {
    const std::vector<int>& chain = frame_.types[type].chain;
    if (!chain.empty())
      return static_cast<std::int32_t>(host::AddressOf(sim_.Object(chain[choice % chain.size()])));
    auto [it, made] = detached_.try_emplace(type, 0);
    if (made) it->second = sim_.ActionObjectWord(type);
    return it->second;
  }

  std::int32_t AltValue(std::int16_t index) {
    auto [it, made] = altValues_.try_emplace(index, 0);
    if (made) it->second = sim_.AltValueParamWord(index);
    return it->second;
  }

  std::uint32_t Text(const std::optional<std::string>& text) {
    if (!text) return 0;
    auto [it, made] = texts_.try_emplace(*text, 0);
    if (made) it->second = sim_.TextArgumentAddress(*text);
    return it->second;
  }

 private:
  sim::SimHost& sim_;
  const FrameRecipe& frame_;
  std::map<int, std::int32_t> objectParams_, detached_;
  std::map<std::int16_t, std::int32_t> altValues_;
  std::map<std::string, std::uint32_t> texts_;
};

struct Actual {
  std::int32_t result = 0;
  std::optional<std::string> text;
  std::string breaches;  // writes outside the fields the plug-in may write
};

std::int32_t WordFor(Words& words, const FuzzCall& fc, Param kind, bool first) {
  const model::Call& c = fc.call;
  const auto choice = static_cast<std::uint32_t>(c.token);
  switch (kind) {
    case Param::FixedValue:
      return first ? c.first : c.second;
    case Param::Count:
    case Param::Level:
    case Param::Default:
      return c.second;
    case Param::Object:
      if (c.kind == Kind::Condition) return words.ObjectParam(first ? c.typeA : c.typeB);
      return words.ActionObject(first ? c.typeA : c.typeB, first ? choice : choice >> 8);
    case Param::AltValue:
      return words.AltValue(c.valueIndex);
    default:
      return first ? fc.unusedFirst : fc.unusedSecond;
  }
}

// The plug-in's outcome, or the fault that ended the call.
Result<Actual> CallPlugin(sim::SimHost& sim, Words& words, const FuzzCall& fc) {
  const model::Call& c = fc.call;
  hostlink::RoutineCall call;
  call.routine = &RowOf(c.kind, c.code);
  call.token = c.token;
  call.unusedWords = {fc.unusedFirst, fc.unusedSecond};
  const ParameterKinds kinds = KindsOf(c.kind, c.code);
  if (kinds.first == Param::NextFixedValues) {
    call.parameters = c.nextParameters;
  } else if (kinds.first == Param::NextObjects) {
    call.parameters = {words.ObjectParam(c.typeA), words.ObjectParam(c.typeB),
                       words.ObjectParam(c.typeC)};
  } else {
    call.parameters[0] = WordFor(words, fc, kinds.first, true);
    call.parameters[1] = WordFor(words, fc, kinds.second, false);
  }
  call.expressionArgument =
      c.kind == Kind::Expression && call.routine->parameters[0].role == plugin::ParamRole::Text
          ? static_cast<std::int32_t>(words.Text(c.textArgument))
          : c.integerArgument;
  // Between calls the records change only through the host's services.
  call.options.hostWritesNoted = true;
  hostlink::CallOutcome outcome = hostlink::Invoke(testkit::Plugin(), sim, call);
  if (outcome.fault) return Error{outcome.fault->message};
  Actual actual;
  actual.text = std::move(outcome.text);
  // Only the low 16 bits of an action's result are defined.
  actual.result = c.kind == Kind::Action ? outcome.result & 0xFFFF : outcome.result;
  actual.breaches = hostlink::DescribeBreaches(outcome.breaches);
  return actual;
}

std::string Ids(const std::vector<int>& ids) {
  std::ostringstream text;
  text << "[";
  for (int id : ids) text << " " << id;
  text << " ]";
  return text.str();
}

std::string CompareCall(const bridge::Layout& layout, sim::SimHost& sim, const model::Call& call,
                        const model::Outcome& want, const Actual& got) {
  std::ostringstream out;
  if (!got.breaches.empty()) out << "  the plug-in broke the host's contract:\n" << got.breaches;
  if (ReturnsText(call)) {
    if (want.text != got.text)
      out << "  text: model " << (want.text ? Quote(*want.text) : "null") << "\n        plug-in "
          << (got.text ? Quote(*got.text) : "null") << "\n";
  } else if (want.result != got.result) {
    out << "  result: model " << want.result << ", plug-in " << got.result << "\n";
  }

  std::vector<int> refreshed;
  const host::HostAddress frame = sim.runHeader().frame.address();
  for (const sim::RefreshCall& r : sim.Refreshes()) {
    refreshed.push_back(layout.NodeId(r.node));
    if (r.frame != frame || r.flag != 1) out << "  RefreshNode called with a wrong frame or flag\n";
  }
  if (refreshed != want.refreshed)
    out << "  refreshed nodes: model " << Ids(want.refreshed) << ", plug-in " << Ids(refreshed)
        << "\n";

  const auto services = [&](model::Service which, const std::vector<sim::ServiceCall>& calls) {
    std::vector<model::ServiceCall> wanted;
    for (const model::ServiceCall& s : want.services)
      if (s.service == which) wanted.push_back(s);
    bool same = wanted.size() == calls.size();
    for (std::size_t i = 0; same && i < calls.size(); ++i)
      same = calls[i].runData == sim.RunDataAddress() && calls[i].first == wanted[i].first &&
             calls[i].second == wanted[i].second;
    if (!same) {
      out << "  "
          << (which == model::Service::NextParameter ? "GetNextParameter"
                                                     : "GetExpressionParameter")
          << " calls: model";
      for (const model::ServiceCall& s : wanted) out << " (" << s.first << ", " << s.second << ")";
      out << ", plug-in";
      for (const sim::ServiceCall& s : calls) out << " (" << s.first << ", " << s.second << ")";
      out << "\n";
    }
  };
  services(model::Service::NextParameter, sim.NextParameterCalls());
  services(model::Service::ExpressionParameter, sim.ExpressionParameterCalls());
  return out.str();
}

// The records at each service call of the call, as digests: the first that
// differs says the host would have seen the list in another state then.
std::string CompareMidCall(const std::vector<std::uint64_t>& model,
                           const std::vector<std::uint64_t>& plugin) {
  if (model == plugin) return {};
  std::size_t i = 0;
  while (i < model.size() && i < plugin.size() && model[i] == plugin[i]) ++i;
  std::ostringstream out;
  if (i < model.size() && i < plugin.size())
    out << "  the records differ at service call " << i + 1 << " of " << plugin.size()
        << " (refreshes and parameter fetches, in call order)\n";
  else
    out << "  service calls: model " << model.size() << ", plug-in " << plugin.size() << "\n";
  return out.str();
}

// --- Crash report ---------------------------------------------------------------

const Case* g_crashCase = nullptr;
std::string g_crashOrigin;
int g_crashCall = -1;

void OnAbort(int) {
  if (g_crashCase != nullptr) {
    const std::string report = Report(
        *g_crashCase, {g_crashCall, "  the program aborted inside this call\n"}, g_crashOrigin);
    std::fputs(report.c_str(), stderr);
    std::fflush(stderr);
  }
  std::signal(SIGABRT, SIG_DFL);
}

}  // namespace

void Stats::Merge(const Stats& other) {
  for (std::size_t i = 0; i < calls.size(); ++i) {
    calls[i] += other.calls[i];
    effects[i] += other.effects[i];
  }
  frames += other.frames;
  totalCalls += other.totalCalls;
  largestFrame = std::max(largestFrame, other.largestFrame);
}

std::string Stats::Summary() const {
  std::ostringstream out;
  out << frames << " frames (the largest of " << largestFrame << " objects), " << totalCalls
      << " calls\n";
  for (const plugin::RoutineInfo& row : plugin::kCatalogue) {
    const std::size_t i = plugin::IndexOf(row);
    char line[120];
    std::snprintf(line, sizeof line, "  %-11s %2d %-24s %10lld calls, %10lld with an effect\n",
                  std::string(plugin::KindWord(row.kind)).c_str(), int{row.code},
                  model::RoutineName(ModelKind(row), row.code), calls[i], effects[i]);
    out << line;
  }
  return out.str();
}

std::optional<Divergence> RunCase(const Case& c, Stats* stats) {
  model::Frame frame = ToModel(c.frame);
  bridge::Layout layout(frame);
  sim::SimHost& sim = layout.sim();
  if (std::string diff = bridge::Diff(bridge::Expected(frame), layout.Snapshot()); !diff.empty())
    return Divergence{-1, "  the host's records do not match the frame as laid out:\n" + diff};
  Words words(sim, c.frame);
  // The records as the host sees them at each service call, on both sides.
  std::vector<std::uint64_t> pluginDigests, modelDigests;
  sim.SetServiceObserver([&] { pluginDigests.push_back(layout.RecordsDigest()); });
  const model::ServiceObserver modelAtService = [&](const model::Frame& f) {
    modelDigests.push_back(layout.FrameDigest(f));
  };
  if (stats != nullptr) {
    ++stats->frames;
    stats->largestFrame =
        std::max(stats->largestFrame, static_cast<long long>(c.frame.objects.size()));
  }
  bridge::RawState before = bridge::Expected(frame);
  for (std::size_t i = 0; i < c.calls.size(); ++i) {
    const model::Call& call = c.calls[i].call;
    g_crashCall = static_cast<int>(i);
    if (std::getenv("TIER_FUZZ_TRACE") != nullptr)
      std::fprintf(stderr, "%s\ncall %zu: %s\n", sim.Dump().c_str(), i,
                   Describe(c.calls[i]).c_str());
    sim.ClearLogs();
    pluginDigests.clear();
    modelDigests.clear();
    const Result<Actual> called = CallPlugin(sim, words, c.calls[i]);
    if (!called)
      return Divergence{static_cast<int>(i), "  the plug-in faulted: " + called.error() + "\n"};
    const Actual& actual = *called;
    const model::Outcome want = model::Run(frame, call, nullptr, modelAtService);
    if (want.unmodelled)
      return Divergence{static_cast<int>(i),
                        "  the reference model cannot run the frame: " + *want.unmodelled + "\n"};
    const bridge::RawState expected = bridge::Expected(frame);
    std::string what = CompareCall(layout, sim, call, want, actual) +
                       CompareMidCall(modelDigests, pluginDigests) +
                       bridge::Diff(expected, layout.Snapshot());
    if (!what.empty()) return Divergence{static_cast<int>(i), what};
    if (stats != nullptr) {
      const int r = RoutineIndex(call);
      ++stats->calls[r];
      ++stats->totalCalls;
      const bool changed = !(before == expected);
      if (changed || want.result != 0 || !want.refreshed.empty() ||
          (want.text && want.text->size() > 14))
        ++stats->effects[r];
    }
    before = expected;
  }
  g_crashCall = -1;
  return std::nullopt;
}

Case Shrink(const Case& original, const Divergence& first, int attempts) {
  Case best = original;
  best.calls.resize(static_cast<std::size_t>(std::max(first.call + 1, 0)));
  const auto tryCase = [&](const Case& candidate) {
    if (attempts-- <= 0) return false;
    const std::optional<Divergence> d = RunCase(candidate);
    if (!d || d->call < 0) return false;
    best = candidate;
    best.calls.resize(static_cast<std::size_t>(d->call + 1));
    return true;
  };
  for (bool progress = true; progress && attempts > 0;) {
    progress = false;
    for (int i = static_cast<int>(best.calls.size()) - 2; i >= 0; --i) {
      if (i >= static_cast<int>(best.calls.size()) - 1) continue;
      Case candidate = best;
      candidate.calls.erase(candidate.calls.begin() + i);
      progress |= tryCase(candidate);
    }
    for (std::size_t o = best.frame.objects.size(); o-- > 0;) {
      if (o >= best.frame.objects.size()) continue;
      Case candidate = best;
      candidate.frame = WithoutObject(best.frame, best.frame.objects[o].slot);
      progress |= tryCase(candidate);
    }
    for (std::size_t n = best.frame.order.size(); n-- > 0;) {
      if (n >= best.frame.order.size()) continue;
      Case candidate = best;
      candidate.frame.order.erase(candidate.frame.order.begin() + static_cast<std::ptrdiff_t>(n));
      progress |= tryCase(candidate);
    }
  }
  return best;
}

std::string Report(const Case& c, const Divergence& d, const std::string& origin) {
  std::ostringstream out;
  out << "\n*** the plug-in and the reference model disagree ***\n" << origin << "\n";
  if (d.call >= 0)
    out << "after call " << d.call << ": " << Describe(c.calls[static_cast<std::size_t>(d.call)])
        << "\n";
  out << d.what << "frame (node ids are positions in this order):\n"
      << Describe(c.frame) << "calls:\n";
  for (std::size_t i = 0; i < c.calls.size(); ++i) {
    out << "  " << i << ": " << Describe(c.calls[i]);
    if (static_cast<int>(i) == d.call) out << "   <-- here";
    out << "\n";
    if (static_cast<int>(i) == d.call) break;
  }
  return out.str();
}

void SetCaseForCrashReport(const Case* c, const std::string& origin) {
  g_crashCase = c;
  g_crashOrigin = origin;
  std::signal(SIGABRT, c != nullptr ? OnAbort : SIG_DFL);
}

}  // namespace tier::testkit::fuzz
