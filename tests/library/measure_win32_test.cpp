// The Win32 measure of who removes a call's arguments, checked on functions
// of known conventions before the library tests rely on it.
#include <gtest/gtest.h>

#include "host/platform.h"
#include "tests/library/library_under_test.h"

namespace tier::test {
namespace {

extern "C" std::uint32_t CallerCleans(std::uint32_t a, std::uint32_t b) { return a - b; }
extern "C" std::uint32_t TIER_STDCALL CalleeCleans(std::uint32_t a, std::uint32_t b,
                                                   std::uint32_t c) {
  return a - b - c;
}

std::uint32_t AddressOf(const void* function) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(function));
}

TEST(CallingConvention, TheMeasureTellsWhoRemovesTheArguments) {
  const MeasuredCall caller =
      CallAndMeasure(AddressOf(reinterpret_cast<const void*>(&CallerCleans)), {10, 3});
  EXPECT_EQ(caller.result, 7u);
  EXPECT_EQ(caller.bytesRemoved, 0);
  const MeasuredCall callee =
      CallAndMeasure(AddressOf(reinterpret_cast<const void*>(&CalleeCleans)), {10, 3, 2});
  EXPECT_EQ(callee.result, 5u) << "the words arrive first to last";
  EXPECT_EQ(callee.bytesRemoved, 12);
}

}  // namespace
}  // namespace tier::test
