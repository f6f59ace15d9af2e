// Tier.vdx as the host meets it: the exports by name and by ordinal with the
// answers they give, the descriptor written into the host's buffer, the
// routine tables, and that every function removes its own arguments.
#include "plugin/exports.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "plugin/catalogue.h"
#include "simhost/sim_host.h"
#include "tests/library/library_under_test.h"

namespace tier::test {
namespace {

using plugin::ExportAnswer;
using plugin::ExportInfo;
using plugin::kExports;  // the host's table of exports: name, ordinal, words, answer

// Memory of the host's that a call may write: a block of simulated records.
struct HostBuffer {
  explicit HostBuffer(std::size_t size)
      : address(sim.space().Allocate(size)),
        bytes(static_cast<std::uint8_t*>(sim.space().Pointer(address, size))) {}
  sim::SimHost sim{sim::SceneSpec{}};
  host::HostAddress address;
  std::uint8_t* bytes;
};

// Argument words that mean nothing to a function that ignores them; a
// function that read through one would fault.
std::vector<std::uint32_t> JunkWords(int count) {
  std::vector<std::uint32_t> words;
  for (int i = 0; i < count; ++i) words.push_back(0xDEAD0001u + 0x10000u * i);
  return words;
}

TEST(Exports, EachNameAndOrdinalFindTheSameFunctionAndNothingElseIsThere) {
  std::set<std::uint16_t> assigned;
  for (const ExportInfo& row : kExports) {
    const std::string name(row.name);
    const std::uint32_t byName = ExportByName(name.c_str());
    EXPECT_NE(byName, 0u) << row.name;
    EXPECT_TRUE(InsideLibrary(byName)) << row.name;
    EXPECT_EQ(ExportByOrdinal(row.ordinal), byName) << row.name << " @" << row.ordinal;
    assigned.insert(row.ordinal);
  }
  for (std::uint16_t ordinal = 1; ordinal <= 120; ++ordinal) {
    if (assigned.count(ordinal) == 0) {
      EXPECT_EQ(ExportByOrdinal(ordinal), 0u) << "ordinal " << ordinal << " is assigned";
    }
  }
  // The export directory holds the list's names and no other.
  std::vector<std::string> listed, exported = ExportNames();
  for (const ExportInfo& row : kExports) listed.emplace_back(row.name);
  std::sort(listed.begin(), listed.end());
  std::sort(exported.begin(), exported.end());
  EXPECT_EQ(exported, listed);
  // Undecorated names only, and nothing of the runtime's.
  for (const char* name : {"GetInfos@4", "_GetInfos@4", "GetRunObjectInfos@8", "DllMain",
                           "DllMain@12", "DllMainCRTStartup", "RefreshNode"})
    EXPECT_EQ(ExportByName(name), 0u) << name;
}

TEST(Exports, AnswerWithTheirConstantsAndRemoveTheirOwnArguments) {
  for (const ExportInfo& row : kExports) {
    std::vector<std::uint32_t> words = JunkWords(row.argumentWords);
    HostBuffer buffer(64);
    auto* target = reinterpret_cast<std::uint16_t*>(buffer.bytes);  // three words
    target[0] = target[1] = target[2] = 0xABCD;
    if (row.name == "GetInfos") words[0] = 0;  // the selector that answers 0x300
    if (row.name == "GetRunObjectInfos") words[1] = buffer.address;
    if (row.name == "PutObject") words[1] = buffer.address + 2;

    const MeasuredCall call = CallAndMeasure(ExportByName(std::string(row.name).c_str()), words);
    EXPECT_EQ(call.bytesRemoved, 4 * row.argumentWords) << row.name;
    if (row.answer == ExportAnswer::Full) {
      EXPECT_EQ(call.result, static_cast<std::uint32_t>(row.value)) << row.name;
    } else if (row.answer == ExportAnswer::Low16) {
      EXPECT_EQ(call.result & 0xFFFF, static_cast<std::uint32_t>(row.value) & 0xFFFF) << row.name;
    }
    if (row.name == "PutObject") {
      EXPECT_EQ(target[1], 0) << "PutObject stores a 16-bit 0 through its second argument";
      EXPECT_EQ(target[0], 0xABCD);
      EXPECT_EQ(target[2], 0xABCD);
    }
  }
  // GetInfos answers 0x300 to selector 0 alone.
  const std::uint32_t getInfos = ExportByName("GetInfos");
  EXPECT_EQ(CallAndMeasure(getInfos, {0}).result, 0x300u);
  EXPECT_EQ(CallAndMeasure(getInfos, {1}).result, 0u);
  EXPECT_EQ(CallAndMeasure(getInfos, {0xFFFFFFFF}).result, 0u);
  EXPECT_EQ(CallAndMeasure(getInfos, {0x300}).result, 0u);
}

template <typename T>
T Read(const std::uint8_t* bytes, std::size_t offset) {
  T value;
  std::memcpy(&value, bytes + offset, sizeof value);
  return value;
}

TEST(Descriptor, WritesExactlyItsFieldsAndLeavesTheHostsBytesAlone) {
  const std::uint32_t getRunObjectInfos = ExportByName("GetRunObjectInfos");
  HostBuffer buffer(64);
  std::array<std::uint8_t, 64> before;
  for (std::size_t i = 0; i < before.size(); ++i)
    buffer.bytes[i] = before[i] = static_cast<std::uint8_t>(0xA0 ^ i);

  for (int round = 0; round < 2; ++round) {  // a second call writes the same
    const MeasuredCall call = CallAndMeasure(getRunObjectInfos, {0x5151, buffer.address});
    EXPECT_EQ(call.result & 0xFFFF, 1u);
    EXPECT_EQ(call.bytesRemoved, 8);

    const std::uint8_t* b = buffer.bytes;
    for (std::size_t offset : {0x00, 0x04, 0x08})
      EXPECT_TRUE(InsideLibrary(Read<std::uint32_t>(b, offset))) << "table pointer at " << offset;
    EXPECT_EQ(Read<std::uint16_t>(b, 0x0C), plugin::kConditionCount);
    EXPECT_EQ(Read<std::uint16_t>(b, 0x0E), plugin::kActionCount);
    EXPECT_EQ(Read<std::uint16_t>(b, 0x10), plugin::kExpressionCount);
    EXPECT_EQ(Read<std::uint16_t>(b, 0x12), 16);
    EXPECT_EQ(Read<std::uint16_t>(b, 0x14), 0);
    EXPECT_EQ(b[0x16], 100);
    EXPECT_EQ(b[0x17], before[0x17]) << "the byte at 0x17 is the host's";
    EXPECT_EQ(Read<std::uint16_t>(b, 0x18), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b + 0x1A), 4), "REIT");
    EXPECT_EQ(Read<std::uint16_t>(b, 0x1E), 1);
    for (std::size_t i = 32; i < before.size(); ++i)
      EXPECT_EQ(b[i], before[i]) << "byte " << i << " lies beyond the descriptor";
  }
}

// The routine of `code` in a table as the descriptor hands it out (0:
// conditions, 1: actions, 2: expressions).
struct Tables {
  std::uint32_t table[3];
  std::uint32_t Routine(int kind, int code) const { return LibraryWord(table[kind] + 4 * code); }
};

Tables DescriptorTables() {
  HostBuffer buffer(32);
  CallAndMeasure(ExportByName("GetRunObjectInfos"), {0, buffer.address});
  return {{Read<std::uint32_t>(buffer.bytes, 0x00), Read<std::uint32_t>(buffer.bytes, 0x04),
           Read<std::uint32_t>(buffer.bytes, 0x08)}};
}

TEST(Descriptor, EachTableHoldsItsCountOfRoutinesThenANullEntry) {
  const Tables tables = DescriptorTables();
  const int counts[] = {plugin::kConditionCount, plugin::kActionCount, plugin::kExpressionCount};
  for (int kind = 0; kind < 3; ++kind) {
    const int count = counts[kind];
    for (int code = 0; code < count; ++code) {
      const std::uint32_t routine = tables.Routine(kind, code);
      EXPECT_NE(routine, 0u) << "code " << code << " of " << count;
      EXPECT_TRUE(InsideLibrary(routine)) << "code " << code << " of " << count;
    }
    EXPECT_EQ(tables.Routine(kind, count), 0u)
        << "the table of " << count << " ends in a null entry";
  }
}

// Parameter words that let a routine run harmlessly over an empty frame.
std::uint32_t HarmlessWord(sim::SimHost& sim, plugin::RoutineKind kind,
                           const plugin::ParameterInfo& parameter) {
  if (parameter.kind == plugin::kParamObject)
    return kind == plugin::RoutineKind::Condition ? sim.ObjectParamWord(0)
                                                  : sim.ActionObjectWord(0);
  if (parameter.kind == plugin::kParamAltValue) return sim.AltValueParamWord(0);
  return 0x00010003;  // a fixed value, count or level that matches nothing
}

TEST(CallingConvention, EveryTableRoutineRemovesItsOwnArguments) {
  sim::SceneSpec scene;
  scene.types = {{.name = "Nothing"}};
  sim::SimHost sim(scene);
  const Tables tables = DescriptorTables();
  const std::uint32_t runData = sim.RunDataAddress();

  for (const plugin::RoutineInfo& row : plugin::kCatalogue) {
    std::vector<std::uint32_t> words = {runData};
    const std::uint32_t routine = tables.Routine(static_cast<int>(row.kind), row.code);
    if (row.kind == plugin::RoutineKind::Expression) {
      if (row.parameterCount > 0 && row.parameters[0].kind == plugin::kArgumentText)
        sim.SetExpressionText("Nothing");
      else
        sim.SetExpressionInteger(1);
      words.push_back(0x5A17);  // the expression token
    } else {
      std::vector<std::int32_t> queued;
      for (int i = 0; i < row.parameterCount; ++i)
        queued.push_back(static_cast<std::int32_t>(HarmlessWord(sim, row.kind, row.parameters[i])));
      // The three-parameter conditions fetch their words from the host instead.
      if (row.parameterCount == 3) sim.QueueNextParameters(queued);
      words.push_back(row.parameterCount > 0 ? static_cast<std::uint32_t>(queued[0]) : 0);
      words.push_back(row.parameterCount > 1 ? static_cast<std::uint32_t>(queued[1]) : 0);
    }
    const MeasuredCall call = CallAndMeasure(routine, words);
    EXPECT_EQ(call.bytesRemoved, 4 * static_cast<int>(words.size())) << row.routineName;
    if (plugin::ReturnsText(row)) {
      ReleaseText(call.result);  // the host owns the text
    } else {
      EXPECT_EQ(call.result, 0u) << row.routineName << " over an empty frame";
    }
  }
  EXPECT_EQ(sim.CheckInvariants(), "");
}

}  // namespace
}  // namespace tier::test
