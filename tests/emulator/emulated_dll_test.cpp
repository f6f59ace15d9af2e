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
#include <map>
#include <utility>

#include "hostlink/emulated_module.h"
#include "hostlink/host_embedding.h"
#include "simhost/sim_host.h"
#include "support/hex.h"
#include "tests/tier_harness.h"

namespace tier::emulator {
namespace {

constexpr plugin::RoutineKind kCondition = plugin::RoutineKind::Condition;
constexpr plugin::RoutineKind kAction = plugin::RoutineKind::Action;
constexpr plugin::RoutineKind kExpression = plugin::RoutineKind::Expression;

std::string ProductPath() {
  const char* path = std::getenv("TIER_MODULE");
  return path != nullptr ? path : TIER_DEFAULT_MODULE;
}

// The product loaded afresh, with its routines named as the module names them.
struct Loaded {
  std::unique_ptr<hostlink::PluginModule> module = hostlink::LoadEmulatedModule(ProductPath());
  hostlink::EmulatedModule& emulated = static_cast<hostlink::EmulatedModule&>(*module);
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

// The routines the planted faults replace, and the ones that the budget, the
// heap and the stack are tried on.
constexpr int kAtBack = plugin::CodeOf(plugin::ConditionCode::CondAtBack);
constexpr int kSendBackOne = plugin::CodeOf(plugin::ActionCode::SendBackOne);
constexpr int kSendToBack = plugin::CodeOf(plugin::ActionCode::SendToBack);
constexpr int kDescribe = plugin::CodeOf(plugin::ExpressionCode::GetDescription);

// Calls a routine of `module` as the host does, its first parameter `first`
// and the rest 0; the whole call, its fault if any.
GuestCall CallAsTheHost(const hostlink::PluginModule& module, sim::SimHost& sim,
                        plugin::RoutineKind kind, int routineCode, std::int32_t first = 0) {
  hostlink::RoutineCall call{
      .routine = plugin::FindRoutine(kind, static_cast<std::uint16_t>(routineCode))};
  call.parameters[0] = first;
  // The fault, if any, is the last call's too.
  hostlink::Invoke(module, sim, call);
  return static_cast<const hostlink::EmulatedModule&>(module).LastCall();
}

class PlantedFault : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(loaded_.module->ok()) << loaded_.module->error(); }

  // Replaces the start of "%0 At Back?" (condition 0) with `code`, calls it,
  // and gives back the fault; then puts the routine back and checks that the
  // library still answers as before.
  std::string FaultOf(const std::vector<std::uint8_t>& code) {
    return PlantedIn(kCondition, kAtBack, code).fault;
  }

  // The same in any routine, giving back the whole call.
  GuestCall PlantedIn(plugin::RoutineKind kind, int routineCode,
                      const std::vector<std::uint8_t>& code) {
    const std::uint32_t routine = loaded_.emulated.RoutineAddress(kind, routineCode);
    std::vector<std::uint8_t> original(code.size());
    loaded_.dll.Read(routine, original.data(), static_cast<std::uint32_t>(original.size()));
    EXPECT_TRUE(loaded_.dll.Patch(routine, code));
    const GuestCall call = Planted(kind, routineCode);
    EXPECT_TRUE(loaded_.dll.Patch(routine, original));
    hostlink::RoutineCall atBack{.routine = &plugin::Row(plugin::ConditionCode::CondAtBack)};
    atBack.parameters[0] = sim_.FixedValue(0);
    EXPECT_EQ(hostlink::Invoke(*loaded_.module, sim_, atBack).result, 1)
        << "the library runs on after the fault";
    if (!call.fault.empty()) {
      EXPECT_EQ(call.fault.rfind(ProductPath() + " ", 0), 0u) << "names the file as given";
    }
    return call;
  }

  // The breach that `code`, planted in action 0 "Send %0 Back One", commits.
  std::string BreachOf(const std::vector<std::uint8_t>& code) {
    return PlantedIn(kAction, kSendBackOne, code).fault;
  }
  std::string Returned(const std::string& rest) const {
    return ProductPath() + " returned from action 0 \"Send %0 Back One\" " + rest;
  }

  // The address of the library's import address table slot for `name`.
  std::uint32_t ImportSlot(const std::string& name) const {
    for (const PeImport& import : loaded_.dll.image().imports)
      if (import.name == name) return loaded_.dll.image().base + import.slotRva;
    return 0;
  }

  GuestCall Planted(plugin::RoutineKind kind, int routineCode) {
    return CallAsTheHost(*loaded_.module, sim_, kind, routineCode);
  }

  // Calls "%0 At Back?" as the host does; the fault that ended it, if any.
  std::string AtBackFault() { return Planted(kCondition, kAtBack).fault; }

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
  EXPECT_NE(fault.find(" ran more than " + std::to_string(hostlink::InstructionBudget(3)) +
                       " instructions in a call of condition 0 \"%0 At Back?\"; it may never "
                       "return"),
            std::string::npos)
      << fault;
  EXPECT_LT(seconds, 5.0);

  // A budget of one's own replaces the frame's: here too small for the
  // unchanged "Send %0 to Back" (action 5), which walks the whole frame.
  const std::unique_ptr<hostlink::PluginModule> small =
      hostlink::LoadEmulatedModule(ProductPath(), false, 20);
  const GuestCall call = CallAsTheHost(*small, sim_, kAction, kSendToBack, sim_.FixedValue(2));
  EXPECT_NE(call.fault.find(" ran more than 20 instructions in a call of action 5"),
            std::string::npos)
      << call.fault;
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
  const std::string fault = AtBackFault();
  EXPECT_NE(fault.find("read 4 bytes at " + HexAddress(shortBlock + 2) +
                       ", which lies in no block of the host"),
            std::string::npos)
      << fault;
  EXPECT_NE(fault.find(", in a call of condition 0 \"%0 At Back?\""), std::string::npos) << fault;
}

// What a stdcall function owes its caller beyond memory: each broken rule
// ends the call with what was found against what was expected.
std::vector<std::uint8_t> ReturnAsAnAction(std::vector<std::uint8_t> code) {
  return Then(std::move(code));  // an action takes three words too
}

TEST_F(PlantedFault, ARegisterTheCallerKeepsThatComesBackChangedIsNamed) {
  const std::pair<std::uint8_t, const char*> movesOf[] = {
      {0xBB, "EBX"}, {0xBE, "ESI"}, {0xBF, "EDI"}, {0xBD, "EBP"}};
  const std::map<std::string, std::string> callerValues = {
      {"EBX", "0x0012FF40"}, {"ESI", "0x0012FF44"}, {"EDI", "0x0012FF48"}, {"EBP", "0x0012FF78"}};
  for (const auto& [opcode, name] : movesOf)  // mov reg, 0x5A5A5A5A
    EXPECT_EQ(BreachOf(ReturnAsAnAction(Joined({opcode}, Word(0x5A5A5A5A)))),
              Returned("with " + std::string(name) + " changed (0x5A5A5A5A, was " +
                       callerValues.at(name) + "), which the caller keeps"));
  // push ebx; mov ebx, 1; pop ebx: a register saved and restored is kept.
  EXPECT_EQ(BreachOf(ReturnAsAnAction({0x53, 0xBB, 1, 0, 0, 0, 0x5B})), "");
}

TEST_F(PlantedFault, ACallThatRemovesOtherThanItsArgumentsIsNamed) {
  EXPECT_EQ(
      BreachOf({0xC2, 0x08, 0x00}),  // ret 8
      Returned("with ESP raised by 8 bytes of arguments (12 expected), which the callee removes"));
  EXPECT_EQ(
      BreachOf({0xC3}),  // ret: as if cdecl
      Returned("with ESP raised by 0 bytes of arguments (12 expected), which the callee removes"));
}

TEST_F(PlantedFault, TheDirectionFlagLeftSetIsNamed) {
  EXPECT_EQ(BreachOf(ReturnAsAnAction({0xFD})),  // std
            Returned("with the direction flag set, which the caller expects clear"));
  EXPECT_EQ(BreachOf(ReturnAsAnAction({0xFD, 0xFC})), "");  // std; cld
}

TEST_F(PlantedFault, AChangedX87ControlWordOrMxcsrIsNamed) {
  // push 0x007F; fldcw [esp]; pop eax: extended precision, as no Win32 caller keeps it.
  EXPECT_EQ(
      BreachOf(ReturnAsAnAction({0x68, 0x7F, 0, 0, 0, 0xD9, 0x2C, 0x24, 0x58})),
      Returned("with the x87 control word changed (0x007F, was 0x027F), which the caller keeps"));
  // push 0x9F80; ldmxcsr [esp]; pop eax: denormals flushed to zero.
  EXPECT_EQ(BreachOf(ReturnAsAnAction({0x68, 0x80, 0x9F, 0, 0, 0x0F, 0xAE, 0x14, 0x24, 0x58})),
            Returned("with MXCSR changed (0x9F80, was 0x1F80), which the caller keeps"));
}

TEST_F(PlantedFault, AnExceptionHandlerLeftInTheChainIsNamed) {
  // push 0; push dword fs:[0]; mov fs:[0], esp; add esp, 8: the handler's
  // record lies in the frame the call leaves.
  const std::string fault = BreachOf(ReturnAsAnAction(
      {0x6A, 0x00, 0x64, 0xFF, 0x35, 0, 0, 0, 0, 0x64, 0x89, 0x25, 0, 0, 0, 0, 0x83, 0xC4, 0x08}));
  EXPECT_EQ(fault,
            Returned("with FS:[0] (the head of the exception-handler chain) changed (0x7F0FFFA8, "
                     "was 0xFFFFFFFF), which the caller keeps"));
  // Any other word of the thread block is the caller's too (mov fs:[0x14], esp)...
  EXPECT_EQ(
      BreachOf(ReturnAsAnAction({0x64, 0x89, 0x25, 0x14, 0, 0, 0})),
      Returned("with FS:[0x14] of the thread block changed (0x7F0FFFB0, was 0x00000000), which "
               "the caller keeps"));
  // ...but the last error, which the system sets for a call (mov fs:[0x34], esp).
  EXPECT_EQ(BreachOf(ReturnAsAnAction({0x64, 0x89, 0x25, 0x34, 0, 0, 0})), "");
  // A call that changes the block and then breaks another rule leaves the
  // block as the caller keeps it (mov fs:[0], esp; mov ebx, 1).
  EXPECT_NE(BreachOf(ReturnAsAnAction({0x64, 0x89, 0x25, 0, 0, 0, 0, 0xBB, 1, 0, 0, 0})), "");
  EXPECT_EQ(BreachOf(ReturnAsAnAction({})), "") << "the next call is not blamed";
}

TEST_F(PlantedFault, HeapKeptAfterTheCallIsNamedButAHandedOverTextIsNot) {
  const std::uint32_t malloc = ImportSlot("malloc"), free = ImportSlot("free");
  ASSERT_NE(malloc, 0u);
  ASSERT_NE(free, 0u);
  // push 64; call [malloc]; add esp, 4
  const std::vector<std::uint8_t> allocate =
      Joined(Joined({0x6A, 0x40, 0xFF, 0x15}, Word(malloc)), {0x83, 0xC4, 0x04});
  const std::string fault = BreachOf(ReturnAsAnAction(allocate));
  const std::string kept = "keeping 64 bytes of its heap in 1 block allocated during the call (at ";
  EXPECT_EQ(fault.rfind(Returned(kept), 0), 0u) << fault;
  EXPECT_NE(fault.find("), which it must free before it returns"), std::string::npos) << fault;
  // push eax; call [free]; add esp, 4: freed in the call, nothing is kept.
  EXPECT_EQ(BreachOf(ReturnAsAnAction(Joined(
                allocate, Joined(Joined({0x50, 0xFF, 0x15}, Word(free)), {0x83, 0xC4, 0x04})))),
            "");
  // A text expression hands its new block to the host ("tirGetDesc$(", ret 8)...
  GuestCall text = PlantedIn(kExpression, kDescribe, Joined(allocate, {0xC2, 0x08, 0x00}));
  EXPECT_EQ(text.fault, "");
  EXPECT_FALSE(loaded_.dll.heap().Free(text.result)) << "the host took it over and released it";
  // ...and that block alone: a second one is kept.
  text = PlantedIn(kExpression, kDescribe,
                   Joined(Joined(allocate, {0x50}), Joined(allocate, {0x58, 0xC2, 0x08, 0x00})));
  EXPECT_NE(text.fault.find("keeping 64 bytes of its heap in 1 block"), std::string::npos)
      << text.fault;
}

TEST_F(PlantedFault, StackBeyondTheBoundIsNamedAtTheAccess) {
  // sub esp, N; mov [esp], eax; add esp, N
  const auto deep = [](std::uint32_t bytes) {
    return ReturnAsAnAction(Joined(Joined(Joined({0x81, 0xEC}, Word(bytes)), {0x89, 0x04, 0x24}),
                                   Joined({0x81, 0xC4}, Word(bytes))));
  };
  const std::string fault = BreachOf(deep(256 * 1024));
  EXPECT_NE(fault.find(" wrote 4 bytes at 0x7F0BFFB0, 262144 bytes down its stack, beyond the "
                       "65536 a call may take, by the instruction at "),
            std::string::npos)
      << fault;
  EXPECT_NE(fault.find("(SendBackOne+0x6), in a call of action 0 \"Send %0 Back One\""),
            std::string::npos)
      << fault;
  // Past even the emulated stack's end, the same.
  EXPECT_NE(BreachOf(deep(1536 * 1024)).find(" bytes down its stack, beyond the 65536"),
            std::string::npos);
  EXPECT_EQ(BreachOf(deep(kStackBound - 8)), "") << "within the bound";

  // Counting, the emulator finds the deepest byte touched, exactly.
  const std::unique_ptr<hostlink::PluginModule> counting =
      hostlink::LoadEmulatedModule(ProductPath(), true);
  auto& emulated = static_cast<hostlink::EmulatedModule&>(*counting);
  ASSERT_TRUE(emulated.dll().Patch(emulated.RoutineAddress(kAction, kSendBackOne), deep(0x1234)));
  const GuestCall call = CallAsTheHost(*counting, sim_, kAction, kSendBackOne);
  EXPECT_EQ(call.fault, "");
  EXPECT_EQ(call.stackBytes, 0x1234u);
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
  const Result<std::unique_ptr<EmulatedDll>> dll =
      EmulatedDll::Load(path, hostlink::HostLoadOptions());
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
  LoadOptions options = hostlink::HostLoadOptions();
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
