// The plug-in that the tests, the fuzzer and the benchmarks run, loaded once
// per program: the library named by the environment variable TIER_MODULE
// (natively: run in the emulator), or else the linked-in code (natively) or
// the Tier.vdx beside the program.
#pragma once

#include <cstdint>
#include <string>

#include "hostlink/plugin_module.h"

namespace tier::testkit {

const hostlink::PluginModule& Plugin();
// Names the library Plugin() loads, instead of TIER_MODULE; call it before
// the first call of Plugin().
void SetPluginPath(const std::string& path);
// The instructions each call of a library in the emulator may run, instead of
// as many as the frame's size allows; call it before the first Plugin().
void SetInstructionBudget(std::uint64_t budget);
// Why the library that Plugin() names cannot be loaded; empty when it loads.
// A program checks it first, so that a bad path ends it with one line.
std::string PluginLoadError();

}  // namespace tier::testkit
