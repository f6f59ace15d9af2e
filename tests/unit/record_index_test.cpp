// The flat index that every host address resolves through: the record that
// holds an access, or none, exactly as a search among all the records finds
// it, with records of every size packed close or far apart.
#include <gtest/gtest.h>

#include <random>

#include "host/native_memory.h"

namespace tier::test {
namespace {

using host::HostAddress;
using host::RecordIndex;

const RecordIndex::Record* Searched(const RecordIndex& index, HostAddress address,
                                    std::size_t size) {
  for (const RecordIndex::Record& record : index.records())
    if (address >= record.start && std::uint64_t{address} + size <= record.start + record.size)
      return &record;
  return nullptr;
}

TEST(RecordIndex, FindsTheRecordOfEveryAccessAsASearchDoes) {
  constexpr HostAddress kBase = 0x00100000;
  std::mt19937 random(9);
  RecordIndex index(kBase);
  HostAddress next = kBase + 16;
  for (int i = 0; i < 400; ++i) {
    // Small records a few bytes apart (several in one stretch), and now
    // and then a large one or a long gap.
    const auto size =
        static_cast<std::uint32_t>(random() % 8 == 0 ? 1 + random() % 600 : 1 + random() % 24);
    index.Add(next, size);
    next += size + 1 + (random() % 10 == 0 ? random() % 300 : random() % 17);
  }
  for (HostAddress address = kBase - 70; address < next + 200; ++address)
    for (const std::size_t size : {1, 2, 4, 8})
      ASSERT_EQ(host::RecordHolding(index, address, size), Searched(index, address, size))
          << "address " << address << ", " << size << " bytes";
  EXPECT_EQ(host::RecordHolding(RecordIndex(kBase), kBase, 1), nullptr);
}

}  // namespace
}  // namespace tier::test
