// The differential fuzzer as a program, for long runs:
//   tier_differential --seed S --calls N [--max-calls K] [--frame-seed X] [--within-bounds]
//                     [--large PERCENT] [--large-objects N] [--module PATH]
//                     [--instruction-budget N] [--jobs J] [--only ROUTINE] [--effects K]
// --within-bounds keeps every object in slots 0..max(objectCount, objectLimit);
// --large draws that percent of the frames with 200 to N objects (3000);
// --module runs that library (natively: in the emulator) instead of the
// plug-in the program would load, as TIER_MODULE does; --instruction-budget
// lets each of its calls in the emulator run N instructions instead of as
// many as the frame's size allows; --jobs runs J processes side by side, the
// seeds S to S+J-1, each with its share of the N calls, and merges their
// summaries (natively only); --only calls that routine alone (its name in
// the catalogue); --effects gives each routine short of K calls with an
// effect frames of its own after the run.
// Exits 0 when the plug-in and the reference model agreed on every call.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "testkit/fuzz/driver.h"
#include "testkit/plugin_under_test.h"

namespace {

const char kUsage[] =
    "usage: %s --seed S --calls N [--max-calls K] [--frame-seed X] [--within-bounds]"
    " [--large PERCENT] [--large-objects N] [--module PATH] [--instruction-budget N]"
    " [--jobs J] [--only ROUTINE] [--effects K]\n";
const char kHelp[] =
    "Runs random frames and calls through the plug-in and the reference model and\n"
    "compares them after every call; exits 0 when they agreed on every call.\n"
    "  --seed S, --calls N        the run: frames from seed S until N calls are made\n"
    "  --max-calls K              at most K calls per frame (40)\n"
    "  --frame-seed X             run the one frame of seed X (as a report names it)\n"
    "  --within-bounds            every object within the slots the routines search\n"
    "  --large PERCENT            that percent of the frames with 200 to N objects\n"
    "  --large-objects N          (3000)\n"
    "  --module PATH              that library (natively: in the CPU emulator)\n"
    "  --instruction-budget N     each call in the emulator may run N instructions\n"
    "                             (default: 4,000,000 and 2,000 per object slot)\n"
    "  --jobs J                   J processes side by side, the seeds S to S+J-1,\n"
    "                             each with its share of the calls, their summaries\n"
    "                             merged (natively only)\n"
    "  --only ROUTINE             call that routine alone (its name, as CondAtBack)\n"
    "  --effects K                after the run, frames of its own for each routine\n"
    "                             short of K calls with an effect\n";

const tier::plugin::RoutineInfo* RoutineNamed(std::string_view name) {
  for (const tier::plugin::RoutineInfo& row : tier::plugin::kCatalogue)
    if (row.routineName == name) return &row;
  return nullptr;
}

#ifndef _WIN32
// A job's result as it crosses the pipe: the counts on one line, then the report.
std::string Serialized(const tier::testkit::fuzz::DriverResult& result) {
  std::ostringstream out;
  const tier::testkit::fuzz::Stats& stats = result.stats;
  out << stats.frames << ' ' << stats.totalCalls << ' ' << stats.largestFrame;
  for (std::size_t i = 0; i < stats.calls.size(); ++i)
    out << ' ' << stats.calls[i] << ' ' << stats.effects[i];
  out << '\n' << result.report;
  return out.str();
}

bool Deserialize(const std::string& text, tier::testkit::fuzz::DriverResult& result) {
  std::istringstream in(text);
  tier::testkit::fuzz::Stats& stats = result.stats;
  in >> stats.frames >> stats.totalCalls >> stats.largestFrame;
  for (std::size_t i = 0; i < stats.calls.size(); ++i) in >> stats.calls[i] >> stats.effects[i];
  if (!in || in.get() != '\n') return false;
  result.report.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// Runs the seeds S to S+jobs-1 in processes of their own, each with its share
// of the calls, and merges what they found: the first divergence's report,
// or an empty one.
tier::testkit::fuzz::DriverResult RunJobs(const tier::testkit::fuzz::DriverOptions& options,
                                          int jobs, bool& jobFailed) {
  struct Job {
    pid_t pid;
    int pipe;
  };
  std::vector<Job> running;
  for (int job = 0; job < jobs; ++job) {
    int ends[2];
    if (pipe(ends) != 0) break;
    const pid_t pid = fork();
    if (pid == 0) {  // the job: its seed, its share, its result into the pipe
      close(ends[0]);
      tier::testkit::fuzz::DriverOptions own = options;
      own.seed = options.seed + static_cast<std::uint64_t>(job);
      own.calls = options.calls / jobs + (job < options.calls % jobs ? 1 : 0);
      const std::string text = Serialized(tier::testkit::fuzz::RunDriver(own));
      for (std::size_t written = 0; written < text.size();) {
        const ssize_t n = write(ends[1], text.data() + written, text.size() - written);
        if (n <= 0) _exit(2);
        written += static_cast<std::size_t>(n);
      }
      _exit(0);
    }
    close(ends[1]);
    if (pid < 0) {
      close(ends[0]);
      break;
    }
    running.push_back({pid, ends[0]});
  }
  jobFailed = static_cast<int>(running.size()) != jobs;
  tier::testkit::fuzz::DriverResult merged;
  for (std::size_t job = 0; job < running.size(); ++job) {
    std::string text;
    char buffer[65536];
    for (ssize_t n; (n = read(running[job].pipe, buffer, sizeof buffer)) > 0;)
      text.append(buffer, n);
    close(running[job].pipe);
    int status = 0;
    waitpid(running[job].pid, &status, 0);
    tier::testkit::fuzz::DriverResult result;
    const unsigned long long seed = options.seed + job;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !Deserialize(text, result)) {
      std::fprintf(stderr, "the job of seed %llu ended without its summary\n", seed);
      jobFailed = true;
      continue;
    }
    merged.stats.Merge(result.stats);
    if (!result.report.empty() && merged.report.empty()) merged.report = result.report;
  }
  return merged;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  tier::testkit::fuzz::DriverOptions options;
  int jobs = 1;
  for (int i = 1; i < argc; i += 2) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::printf(kUsage, argv[0]);
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--within-bounds") == 0) {
      options.frames.objectsWithinBounds = true;
      --i;
      continue;
    }
    const char* value = i + 1 < argc ? argv[i + 1] : "";
    if (std::strcmp(argv[i], "--seed") == 0)
      options.seed = std::strtoull(value, nullptr, 10);
    else if (std::strcmp(argv[i], "--calls") == 0)
      options.calls = std::strtoll(value, nullptr, 10);
    else if (std::strcmp(argv[i], "--max-calls") == 0)
      options.maxCallsPerFrame = std::atoi(value);
    else if (std::strcmp(argv[i], "--frame-seed") == 0)
      options.frameSeed = std::strtoull(value, nullptr, 10);
    else if (std::strcmp(argv[i], "--large") == 0)
      options.frames.largeFramePercent = std::atoi(value);
    else if (std::strcmp(argv[i], "--large-objects") == 0)
      options.frames.largeFrameObjects = std::atoi(value);
    else if (std::strcmp(argv[i], "--module") == 0)
      tier::testkit::SetPluginPath(value);
    else if (std::strcmp(argv[i], "--instruction-budget") == 0 &&
             std::strtoull(value, nullptr, 10) > 0)
      tier::testkit::SetInstructionBudget(std::strtoull(value, nullptr, 10));
    else if (std::strcmp(argv[i], "--jobs") == 0 && std::atoi(value) >= 1 && std::atoi(value) <= 64)
      jobs = std::atoi(value);
    else if (std::strcmp(argv[i], "--effects") == 0)
      options.effects = std::atoi(value);
    else if (std::strcmp(argv[i], "--only") == 0 && RoutineNamed(value) != nullptr)
      options.only = RoutineNamed(value);
    else {
      std::fprintf(stderr, kUsage, argv[0]);
      return 2;
    }
  }
#ifdef _WIN32
  if (jobs > 1) {
    std::fprintf(stderr, "--jobs runs processes side by side only in the native build\n");
    return 2;
  }
#endif
  if (jobs > 1 && options.frameSeed) {
    std::fprintf(stderr, "--frame-seed runs one frame: it takes no --jobs\n");
    return 2;
  }
  if (jobs > 1 && options.effects > 0) {
    std::fprintf(stderr, "--effects tops up one run: it takes no --jobs\n");
    return 2;
  }
  if (const std::string error = tier::testkit::PluginLoadError(); !error.empty()) {
    std::fprintf(stderr, "cannot load the plug-in: %s\n", error.c_str());
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  bool jobFailed = false;
  tier::testkit::fuzz::DriverResult result;
#ifndef _WIN32
  if (jobs > 1) result = RunJobs(options, jobs, jobFailed);
#endif
  if (jobs == 1) result = tier::testkit::fuzz::RunDriver(options);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (jobs > 1)
    std::printf("seeds %llu to %llu in %d jobs: %s", static_cast<unsigned long long>(options.seed),
                static_cast<unsigned long long>(options.seed + jobs - 1), jobs,
                result.stats.Summary().c_str());
  else
    std::printf("seed %llu: %s", static_cast<unsigned long long>(options.seed),
                result.stats.Summary().c_str());
  std::printf("wall time %.1f s\n", seconds);
  std::fputs(result.shortOfEffects.c_str(), stdout);
  if (!result.report.empty()) {
    std::fputs(result.report.c_str(), stdout);
    return 1;
  }
  if (jobFailed) return 2;
  std::printf("the plug-in and the reference model agreed on every call\n");
  return 0;
}
