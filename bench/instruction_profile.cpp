#include "bench/instruction_profile.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <unordered_map>
#include <vector>

#include "testkit/instruction_counts.h"

namespace tier::bench {

using testkit::InstructionsPerCall;
using testkit::KindName;
using testkit::RowOf;

namespace {

struct Function {
  std::uint32_t start = 0, size = 0;
  std::string name;
};

std::string Demangle(const std::string& mangled) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> text(
      abi::__cxa_demangle(mangled.c_str(), nullptr, nullptr, &status), std::free);
  return status == 0 && text ? std::string(text.get()) : mangled;
}

// The functions of the map: each input section ".text$NAME" with its address
// and size, on its own line or on the next when the name is long.
std::vector<Function> ReadMap(const std::string& path) {
  std::vector<Function> functions;
  const auto add = [&](const std::string& address, const std::string& size,
                       const std::string& section) {
    if (address.rfind("0x", 0) != 0 || size.rfind("0x", 0) != 0) return;
    functions.push_back({static_cast<std::uint32_t>(std::stoul(address, nullptr, 16)),
                         static_cast<std::uint32_t>(std::stoul(size, nullptr, 16)),
                         Demangle(section)});
  };
  std::ifstream in(path);
  std::string line, pending;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string first, address, size;
    words >> first;
    if (first.rfind(".text$", 0) == 0) {
      pending = first.substr(6);
      if (words >> address >> size) {
        add(address, size, pending);
        pending.clear();
      }
      continue;
    }
    if (!pending.empty() && words >> size) add(first, size, pending);
    pending.clear();
  }
  std::sort(functions.begin(), functions.end(),
            [](const Function& a, const Function& b) { return a.start < b.start; });
  return functions;
}

const Function* FunctionAt(const std::vector<Function>& functions, std::uint32_t address) {
  auto it = std::upper_bound(functions.begin(), functions.end(), address,
                             [](std::uint32_t a, const Function& f) { return a < f.start; });
  if (it == functions.begin()) return nullptr;
  --it;
  return address < it->start + it->size ? &*it : nullptr;
}

// Without the namespaces every name has, cut to a line.
std::string Shortened(std::string name) {
  for (const std::string noise : {"(anonymous namespace)::", "tier::"})
    for (std::size_t at; (at = name.find(noise)) != std::string::npos;)
      name.erase(at, noise.size());
  return name.size() <= 100 ? name : name.substr(0, 97) + "...";
}

}  // namespace

bool PrintInstructionProfile(const std::string& modulePath, const std::string& mapPath,
                             const testkit::Routine& routine, int n) {
  const std::vector<Function> functions = ReadMap(mapPath);
  if (functions.empty()) {
    std::fprintf(stderr, "no functions in the map %s\n", mapPath.c_str());
    return false;
  }
  const auto module = hostlink::LoadEmulatedModule(modulePath, /*countInstructions=*/true);
  if (!module->ok()) {
    std::fprintf(stderr, "cannot load the plug-in: %s\n", module->error().c_str());
    return false;
  }
  const auto& emulated = static_cast<const hostlink::EmulatedModule&>(*module);
  // The map's addresses are at the preferred base; the library may lie elsewhere.
  const emulator::PeImage& image = emulated.dll().image();
  const std::uint32_t shift = image.base - image.preferredBase;

  std::unordered_map<std::uint32_t, std::uint64_t> counts;
  emulated.dll().ProfileInto(&counts);
  std::string breaches;
  const Result<std::uint64_t> counted = InstructionsPerCall(emulated, routine, n, breaches);
  emulated.dll().ProfileInto(nullptr);
  if (!counted) {
    std::fprintf(stderr, "%s\n", counted.error().c_str());
    return false;
  }
  const std::uint64_t total = *counted;

  // Per function, and per run of consecutive instructions run equally often
  // (a basic block, or several): the hottest of those are the loops.
  std::map<std::string, std::uint64_t> perFunction;
  std::vector<std::pair<std::uint32_t, std::uint64_t>> addresses(counts.begin(), counts.end());
  std::sort(addresses.begin(), addresses.end());
  struct Block {
    std::uint32_t first = 0, last = 0;
    std::uint64_t times = 0, instructions = 0;
  };
  std::vector<Block> blocks;
  std::uint64_t profiled = 0;
  for (const auto& [address, times] : addresses) {
    profiled += times;
    const Function* f = FunctionAt(functions, address - shift);
    perFunction[f != nullptr ? f->name : "(the C runtime)"] += times;
    if (!blocks.empty() && blocks.back().times == times && address - blocks.back().last <= 16) {
      blocks.back().last = address;
      blocks.back().instructions += times;
    } else {
      blocks.push_back({address, address, times, times});
    }
  }

  const std::string text(RowOf(routine).displayText);
  std::printf("%s %d \"%s\" at %d objects: %llu instructions (%llu profiled)\n",
              KindName(routine).c_str(), routine.code, text.c_str(), n,
              static_cast<unsigned long long>(total), static_cast<unsigned long long>(profiled));
  std::vector<std::pair<std::uint64_t, std::string>> byCount;
  for (const auto& [name, times] : perFunction) byCount.emplace_back(times, name);
  std::sort(byCount.rbegin(), byCount.rend());
  std::printf("\nper function:\n");
  for (const auto& [times, name] : byCount)
    std::printf("%12llu %5.1f%%  %s\n", static_cast<unsigned long long>(times),
                100.0 * static_cast<double>(times) / static_cast<double>(profiled),
                Shortened(name).c_str());
  std::sort(blocks.begin(), blocks.end(),
            [](const Block& a, const Block& b) { return a.instructions > b.instructions; });
  std::printf("\nhottest blocks (the loops): instructions, times run, where\n");
  for (std::size_t i = 0; i < blocks.size() && i < 12; ++i) {
    const Block& b = blocks[i];
    const Function* f = FunctionAt(functions, b.first - shift);
    char where[64];
    std::snprintf(where, sizeof where, "+0x%X..+0x%X", f ? b.first - shift - f->start : b.first,
                  f ? b.last - shift - f->start : b.last);
    std::printf("%12llu %10llu  %s %s\n", static_cast<unsigned long long>(b.instructions),
                static_cast<unsigned long long>(b.times),
                f ? Shortened(f->name).c_str() : "(the C runtime)", where);
  }
  if (!breaches.empty()) std::fprintf(stderr, "broke the host's contract:\n%s", breaches.c_str());
  return true;
}

}  // namespace tier::bench
