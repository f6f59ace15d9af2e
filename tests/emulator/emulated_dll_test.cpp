// The emulator's promises, on the product Tier.vdx: it loads and runs the
// library at any base, refuses what it cannot run with the reason, and its
// memory check stops every kind of stray access that a purpose-made fault
// commits, naming the address, the kind of access and the routine.
#include "emulator/emulated_dll.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "hostlink/emulated_module.h"
#include "hostlink/host_embedding.h"
#include "simhost/sim_host.h"
#include "support/hex.h"
#include "tests/tier_harness.h"

namespace tier::emulator {
namespace {

constexpr plugin::RoutineKind kCondition = plugin::RoutineKind::Condition;

std::string ProductPath() {
  const char* path = std::getenv("TIER_MODULE");
  return path != nullptr ? path : TIER_DEFAULT_MODULE;
}

// The product loaded afresh, with its routines named as the module names them.
struct Loaded {
  std::unique_ptr<host::PluginModule> module = host::LoadEmulatedModule(ProductPath());
  host::EmulatedModule& emulated = static_cast<host::EmulatedModule&>(*module);
  EmulatedDll& dll = emulated.dll();
};

std::uint32_t SectionAddress(const EmulatedDll& dll, const std::string& name) {
  for (const PeSection& section : dll.image().sections)
    if (section.name == name) return dll.image().base + section.rva;
  return 0;
}

std::vector<std::uint8_t> Word(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

// Code that does one thing and returns as a condition does ("ret 12").
std::vector<std::uint8_t> Then(std::vector<std::uint8_t> code) {
  code.insert(code.end(), {0xC2, 0x0C, 0x00});
  return code;
}
std::vector<std::uint8_t> ReadFrom(std::uint32_t address) {  // mov eax, [address]
  std::vector<std::uint8_t> code = {0xA1};
  for (std::uint8_t byte : Word(address)) code.push_back(byte);
  return Then(code);
}

// The routine the planted faults replace.
constexpr int kAtBack = plugin::CodeOf(plugin::ConditionCode::CondAtBack);

class PlantedFault : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(loaded_.module->ok()) << loaded_.module->error(); }

  // Replaces the start of "%0 At Back?" with `code`, calls it,
  // and gives back the fault; then puts the routine back and checks that the
  // library still answers as before.
  std::string FaultOf(const std::vector<std::uint8_t>& code) {
    const std::uint32_t routine = loaded_.emulated.RoutineAddress(kCondition, kAtBack);
    std::vector<std::uint8_t> original(code.size());
    loaded_.dll.Read(routine, original.data(), static_cast<std::uint32_t>(original.size()));
    EXPECT_TRUE(loaded_.dll.Patch(routine, code));
    const GuestCall call =
        loaded_.emulated.CallRoutine(kCondition, kAtBack, sim_.RunDataAddress(), {0, 0});
    EXPECT_TRUE(loaded_.dll.Patch(routine, original));
    EXPECT_EQ(loaded_.module->Condition(kAtBack, sim_.RunDataAddress(), sim_.FixedValue(0), 0), 1)
        << "the library runs on after the fault";
    if (!call.fault.empty())
      EXPECT_EQ(call.fault.rfind(ProductPath() + " ", 0), 0u) << "names the file as given";
    return call.fault;
  }

  host::HostAddress ObjectAddress(int slot) { return sim_.space().AddressOf(sim_.Object(slot)); }

  Loaded loaded_;
  // Slot 2 has no display block.
  sim::SimHost sim_{[] {
    sim::SceneSpec scene = test::LineOfSprites(3);
    scene.objects[2].hasDisplayBlock = false;
    return scene;
  }()};
};

// mov eax, [esp+4]: RunData, the first argument.
const std::vector<std::uint8_t> kRunDataToEax = {0x8B, 0x44, 0x24, 0x04};

std::vector<std::uint8_t> Joined(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// mov word [address], value
std::vector<std::uint8_t> WriteWord(std::uint32_t address, std::uint16_t value) {
  return Joined(Joined({0x66, 0xC7, 0x05}, Word(address)),
                {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)});
}

void ExpectFault(const std::string& fault, const std::string& access) {
  EXPECT_NE(fault.find(access), std::string::npos) << fault;
  EXPECT_NE(fault.find(", by the instruction at "), std::string::npos) << fault;
  EXPECT_NE(fault.find("(CondAtBack+0x"), std::string::npos) << fault;
  EXPECT_NE(fault.find(", in a call of condition 0 \"%0 At Back?\""), std::string::npos) << fault;
}

// The host's contract field by field: each access of host memory must lie in
// a field the plug-in may read, or write, as the record's field map says.
TEST_F(PlantedFault, AWriteOfAFieldThePlugInMayOnlyReadIsStopped) {
  ExpectFault(FaultOf(Then(WriteWord(ObjectAddress(0) + offsetof(host::HostObject, x), 99))),
              "wrote 2 bytes at HostObject+0x3E (x), which the plug-in may only read");
}

TEST_F(PlantedFault, AWriteThatPutsBackTheSameValueIsStopped) {
  // mov ecx, [eax+6]; mov [eax+6], ecx: runHeader written with itself.
  ExpectFault(FaultOf(Then(Joined(kRunDataToEax, {0x8B, 0x48, 0x06, 0x89, 0x48, 0x06}))),
              "wrote 4 bytes at RunData+0x06 (runHeader), which the plug-in may only read");
}

TEST_F(PlantedFault, AReadOfAByteOfTheHostAloneIsStopped) {
  // mov eax, [eax+6]; mov eax, [eax+0x10]: RunHeader+0x10.
  ExpectFault(FaultOf(Then(Joined(kRunDataToEax, {0x8B, 0x40, 0x06, 0x8B, 0x40, 0x10}))),
              "read 4 bytes at RunHeader+0x010 (no field of ours), which belongs to the host "
              "alone");
}

TEST_F(PlantedFault, AReadOfAlterableValue26IsStopped) {
  // Copied out: the field is packed at an odd offset, and gtest takes a reference.
  const std::int32_t valuesOffset = sim_.Object(0)->valuesOffset;
  ASSERT_NE(valuesOffset, 0);
  const std::uint32_t value26 =
      ObjectAddress(0) + static_cast<std::uint32_t>(valuesOffset) + 4 * 26;
  ExpectFault(FaultOf(ReadFrom(value26)), "(alterable value 26, beyond the 26 the object holds)");
  EXPECT_EQ(FaultOf(ReadFrom(value26 - 4)), "") << "value 25 is the plug-in's to read";
}

TEST_F(PlantedFault, AWriteOfDisplayLevelWithoutADisplayBlockIsStopped) {
  const std::int32_t displayBlockOffset = sim_.Object(2)->displayBlockOffset;
  ASSERT_EQ(displayBlockOffset, 0);
  ExpectFault(FaultOf(Then(WriteWord(ObjectAddress(2) + 0x08, 1))),
              "wrote 2 bytes at HostObject+0x08 (displayLevel of a display block the object "
              "lacks (displayBlockOffset is 0)), which belongs to the host alone");
}

// jmp $: the call is stopped by its instruction budget, the same way each
// time, long before a wall clock would.
TEST_F(PlantedFault, ALoopThatNeverEndsIsStoppedByTheInstructionBudget) {
  const auto start = std::chrono::steady_clock::now();
  const std::string fault = FaultOf({0xEB, 0xFE});
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_NE(fault.find(" ran more than " + std::to_string(host::InstructionBudget(3)) +
                       " instructions in a call of condition 0 \"%0 At Back?\"; it may never "
                       "return"),
            std::string::npos)
      << fault;
  EXPECT_LT(seconds, 5.0);
}

TEST_F(PlantedFault, AWriteIntoReadOnlyDataIsStoppedAndNamed) {
  const std::uint32_t rdata = SectionAddress(loaded_.dll, ".rdata");
  ASSERT_NE(rdata, 0u);
  std::vector<std::uint8_t> code = {0xA3};  // mov [rdata], eax
  for (std::uint8_t byte : Word(rdata)) code.push_back(byte);
  const std::string fault = FaultOf(Then(code));
  EXPECT_NE(fault.find("wrote 4 bytes at 0x"), std::string::npos) << fault;
  EXPECT_NE(fault.find("read-only"), std::string::npos) << fault;
  EXPECT_NE(fault.find("(CondAtBack+0x0), in a call of condition 0 \"%0 At Back?\""),
            std::string::npos)
      << fault;
}

TEST_F(PlantedFault, UseAfterFreeAndReadsPastAHeapBlockAreStopped) {
  GuestHeap& heap = loaded_.dll.heap();
  const std::uint32_t freed = heap.Allocate(16);
  ASSERT_TRUE(heap.Free(freed));
  std::string fault = FaultOf(ReadFrom(freed));
  EXPECT_NE(fault.find("in a block of its heap that it freed"), std::string::npos) << fault;

  const std::uint32_t live = heap.Allocate(16);
  fault = FaultOf(ReadFrom(live + 14));  // four bytes, two of them past the end
  EXPECT_NE(fault.find("read 4 bytes"), std::string::npos) << fault;
  EXPECT_NE(fault.find("outside every live block of its heap"), std::string::npos) << fault;
  EXPECT_EQ(FaultOf(ReadFrom(live + 12)), "") << "the block's last word is the library's";
}

TEST_F(PlantedFault, JumpsOutsideTheImageAndReadsOfNothingAreStopped) {
  std::vector<std::uint8_t> jump = {0xB8};  // mov eax, stack; jmp eax
  for (std::uint8_t byte : Word(guest_map::kStack.begin)) jump.push_back(byte);
  jump.insert(jump.end(), {0xFF, 0xE0});
  std::string fault = FaultOf(jump);
  EXPECT_NE(fault.find("jumped to 0x7F000000, outside its code"), std::string::npos) << fault;

  fault = FaultOf(ReadFrom(0x00000010));
  EXPECT_NE(fault.find("read 4 bytes at 0x00000010 where nothing is mapped"), std::string::npos)
      << fault;
}

// A broken record rather than broken code: the frame's display list ends two
// bytes into the list's head pointer, so the unchanged routine reads past it.
TEST_F(PlantedFault, AReadPastAHostRecordIsStoppedInTheUnchangedRoutine) {
  const host::HostAddress shortBlock = sim_.space().Allocate(4);
  host::Frame* frame = sim_.runHeader().frame.get();
  frame->displayList = host::HostPtr<host::DisplayList>(shortBlock + 2 - 0x08);
  const GuestCall call =
      loaded_.emulated.CallRoutine(kCondition, kAtBack, sim_.RunDataAddress(), {0, 0});
  EXPECT_NE(call.fault.find("read 4 bytes at " + HexAddress(shortBlock + 2) +
                            ", which lies in no block of the host"),
            std::string::npos)
      << call.fault;
  EXPECT_NE(call.fault.find(", in a call of condition 0 \"%0 At Back?\""), std::string::npos)
      << call.fault;
}

std::vector<std::uint8_t> ProductBytes() {
  std::ifstream file(ProductPath(), std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string LoadError(const std::vector<std::uint8_t>& bytes) {
  const std::string path = ::testing::TempDir() + "/emulated_dll_test.vdx";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  const Result<std::unique_ptr<EmulatedDll>> dll = EmulatedDll::Load(path, host::HostLoadOptions());
  return dll ? "" : dll.error();
}

TEST(Loading, RefusesWhatItCannotRunAndSaysWhy) {
  std::vector<std::uint8_t> bytes = ProductBytes();
  ASSERT_GT(bytes.size(), 4096u);
  EXPECT_EQ(LoadError(bytes), "");

  // An import the emulated host does not provide is named.
  std::vector<std::uint8_t> renamed = bytes;
  const std::string sleep("Sleep");
  const auto at = std::search(renamed.begin(), renamed.end(), sleep.begin(), sleep.end());
  ASSERT_NE(at, renamed.end());
  at[4] = 't';  // "Sleet"
  const std::string error = LoadError(renamed);
  EXPECT_NE(error.find("imports Sleet from KERNEL32.dll, which the emulated host does not provide"),
            std::string::npos)
      << error;

  std::vector<std::uint8_t> notADll = bytes;
  notADll[0] = 'X';
  EXPECT_FALSE(LoadError(notADll).empty());
  EXPECT_EQ(LoadError(notADll).find('\n'), std::string::npos);
  EXPECT_FALSE(LoadError({}).empty());
}

// Moved from its preferred base, with its relocations applied, the library
// runs all the same; a base in the emulated host's own memory is refused.
TEST(Loading, RunsTheLibraryAtAnotherBase) {
  LoadOptions options = host::HostLoadOptions();
  options.base = 0x10000000;
  const Result<std::unique_ptr<EmulatedDll>> refused = EmulatedDll::Load(ProductPath(), options);
  ASSERT_FALSE(refused);
  EXPECT_NE(refused.error().find("would overlap the memory the emulated host keeps"),
            std::string::npos)
      << refused.error();
  options.base = guest_map::kRelocatedBase;
  Result<std::unique_ptr<EmulatedDll>> loaded = EmulatedDll::Load(ProductPath(), options);
  ASSERT_TRUE(loaded) << loaded.error();
  const std::unique_ptr<EmulatedDll>& dll = *loaded;
  EXPECT_EQ(dll->image().base, guest_map::kRelocatedBase);
  EXPECT_EQ(dll->Call(dll->ExportAddress("GetInfos"), {0}).result, 0x300u);

  // The descriptor's tables lie in the moved image, and a routine found
  // through them answers.
  sim::SimHost sim(test::LineOfSprites(3));
  const host::HostAddress buffer = sim.space().Allocate(32);
  const GuestCall infos = dll->Call(dll->ExportAddress("GetRunObjectInfos"), {0, buffer});
  ASSERT_EQ(infos.fault, "");
  const std::uint32_t conditions = *sim.space().At<std::uint32_t>(buffer);
  EXPECT_TRUE(dll->InsideImage(conditions));
  std::uint32_t atBack = 0;
  ASSERT_TRUE(dll->Read(conditions, &atBack, 4));
  const GuestCall call =
      dll->Call(atBack, {sim.RunDataAddress(), static_cast<std::uint32_t>(sim.FixedValue(0)), 0});
  EXPECT_EQ(call.fault, "");
  EXPECT_EQ(call.result, 1u);
  EXPECT_EQ(call.bytesRemoved, 12);
}

TEST(GuestHeap, BlocksAreLiveToTheirLastByteAndNoFurther) {
  GuestHeap heap(0x40000000, 0x10000);
  const std::uint32_t a = heap.Allocate(10), b = heap.Allocate(1);
  ASSERT_NE(a, 0u);
  EXPECT_EQ(a % 16, 0u);
  EXPECT_TRUE(heap.IsLive(a, 10));
  EXPECT_FALSE(heap.IsLive(a, 11));
  EXPECT_FALSE(heap.IsLive(a + 10, 1)) << "the rest of a block's room is not the library's";
  EXPECT_GE(b, a + 32) << "a gap lies between blocks";
  EXPECT_TRUE(heap.Free(a));
  EXPECT_FALSE(heap.Free(a)) << "a double free is refused";
  EXPECT_FALSE(heap.Free(b + 1)) << "a pointer into a block is refused";
  EXPECT_TRUE(heap.WasFreed(a + 3));
  EXPECT_FALSE(heap.IsLive(a, 1));
  EXPECT_NE(heap.Allocate(16), a) << "freed room waits before it is handed out again";

  // Room comes back when nothing else is left, and failures can be planted.
  GuestHeap small(0x40000000, 0x100);
  std::vector<std::uint32_t> blocks;
  for (std::uint32_t block; (block = small.Allocate(16)) != 0;) blocks.push_back(block);
  ASSERT_FALSE(blocks.empty());
  for (std::uint32_t block : blocks) ASSERT_TRUE(small.Free(block));
  EXPECT_NE(small.Allocate(0x80), 0u) << "freed neighbours merge into one room";
  small.FailAllocationAfter(1);
  EXPECT_NE(small.Allocate(8), 0u);
  EXPECT_EQ(small.Allocate(8), 0u);
  EXPECT_EQ(small.Allocate(0x1000), 0u);
}

}  // namespace
}  // namespace tier::emulator
