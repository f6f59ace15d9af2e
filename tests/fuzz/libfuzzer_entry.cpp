// libFuzzer's entry: the input bytes choose a frame and a run of calls (see
// ByteSource), which go through the plug-in and the reference model side by
// side. A disagreement prints the case and stops the fuzzer.
//   CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DTIER_LIBFUZZER=ON \
//     -DTIER_SANITIZE=ON -DTIER_BENCHMARKS=OFF -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
//   cmake --build build/fuzz --target tier_libfuzzer && build/fuzz/tests/fuzz/tier_libfuzzer
// TIER_FUZZ_WITHIN_BOUNDS=1 keeps every object in slots 0..max(objectCount, objectLimit).
#include <cstdio>
#include <cstdlib>

#include "testkit/fuzz/differential.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tier::testkit::fuzz;
  static const FrameOptions options{std::getenv("TIER_FUZZ_WITHIN_BOUNDS") != nullptr};
  ByteSource source(data, size);
  const Case c = MakeCase(source, 64, options);
  SetCaseForCrashReport(&c, "libFuzzer input");
  const std::optional<Divergence> divergence = RunCase(c);
  SetCaseForCrashReport(nullptr, "");
  if (divergence) {
    const Case small = divergence->call >= 0 ? Shrink(c, *divergence) : c;
    std::fputs(
        Report(small, RunCase(small).value_or(*divergence), "libFuzzer input (shrunk)").c_str(),
        stderr);
    std::abort();
  }
  return 0;
}
