// The part of the TEB that a 32-bit library's start-up reads through FS, laid
// out as the system lays it out. The rest of its page stays zero.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tier::emulator {

#pragma pack(push, 1)
struct Teb {
  std::uint32_t exceptionList;  // 0xFFFFFFFF: no SEH handler
  std::uint32_t stackBase;      // the stack's top (it grows down)
  std::uint32_t stackLimit;
  std::uint32_t subSystemTib;
  std::uint32_t fiberData;
  std::uint32_t arbitraryUserPointer;
  std::uint32_t self;  // the TEB's own linear address
  std::uint32_t environmentPointer;
  std::uint32_t clientId[2];
  std::uint32_t activeRpcHandle;
  std::uint32_t threadLocalStoragePointer;  // the TLS array
  std::uint32_t peb;
  std::uint32_t lastErrorValue;  // GetLastError's answer
  std::uint32_t reserved[2];
};
#pragma pack(pop)

static_assert(offsetof(Teb, stackBase) == 0x04);
static_assert(offsetof(Teb, stackLimit) == 0x08);
static_assert(offsetof(Teb, self) == 0x18);
static_assert(offsetof(Teb, threadLocalStoragePointer) == 0x2C);
static_assert(offsetof(Teb, peb) == 0x30);
static_assert(offsetof(Teb, lastErrorValue) == 0x34);
static_assert(sizeof(Teb) == 0x40);

}  // namespace tier::emulator
