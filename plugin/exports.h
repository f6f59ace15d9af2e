// The library's exported entry points, as plugin/export_list.h lists them.
// The host finds them by name (or by the ordinals of exports.def); every one
// takes 32-bit words and removes its own arguments. Only GetRunObjectInfos
// and GetRunObjectDataSize matter at run time; the editor entry points answer
// with neutral values.
#pragma once

#include <cstdint>
#include <string_view>

#include "host/records.h"

using TierWord = std::uint32_t;

// A list row's parameter words and its result type.
#define TIER_WORDS_1 TierWord
#define TIER_WORDS_2 TierWord, TierWord
#define TIER_WORDS_3 TierWord, TierWord, TierWord
#define TIER_WORDS_4 TierWord, TierWord, TierWord, TierWord
#define TIER_WORDS_5 TierWord, TierWord, TierWord, TierWord, TierWord
#define TIER_WORDS_6 TierWord, TierWord, TierWord, TierWord, TierWord, TierWord
#define TIER_WORDS_7 TierWord, TierWord, TierWord, TierWord, TierWord, TierWord, TierWord
#define TIER_RESULT_Full std::int32_t
#define TIER_RESULT_Low16 std::int32_t
#define TIER_RESULT_None void

extern "C" {
// The exports that do work, with what their words point at.
std::int32_t TIER_STDCALL GetInfos(TierWord selector);
std::int32_t TIER_STDCALL GetRunObjectInfos(TierWord, tier::host::RunObjectInfos* infos);
void TIER_STDCALL PutObject(TierWord, std::uint16_t* target, TierWord, TierWord);

// The rest answer with their constants.
#define TIER_DECLARE_Work(name, words, answer)
#define TIER_DECLARE_Constant(name, words, answer) \
  TIER_RESULT_##answer TIER_STDCALL name(TIER_WORDS_##words);
#define TIER_EXPORT(name, ordinal, words, answer, value, body) \
  TIER_DECLARE_##body(name, words, answer)
#include "plugin/export_list.h"
#undef TIER_EXPORT
#undef TIER_DECLARE_Work
#undef TIER_DECLARE_Constant
}

namespace tier::plugin {

enum class ExportAnswer : std::uint8_t { Full, Low16, None };
enum class ExportBody : std::uint8_t { Constant, Work };

struct ExportInfo {
  std::string_view name;
  std::uint16_t ordinal;
  int argumentWords;
  ExportAnswer answer;
  std::int32_t value;  // what the answer holds (Full, Low16)
  ExportBody body;
};

inline constexpr ExportInfo kExports[] = {
#define TIER_EXPORT(name, ordinal, words, answer, value, body) \
  {#name, ordinal, words, ExportAnswer::answer, value, ExportBody::body},
#include "plugin/export_list.h"
#undef TIER_EXPORT
};

// The row of an export, found while compiling: a name the list lacks does not
// compile (reading past the list is no constant expression).
consteval const ExportInfo& FindExport(std::string_view name) {
  for (const ExportInfo& row : kExports)
    if (row.name == name) return row;
  return kExports[std::size(kExports)];
}

static_assert(std::size(kExports) == 58, "the host's table has 58 exports");
static_assert(FindExport("GetRunObjectDataSize").value == sizeof(host::RunData),
              "GetRunObjectDataSize announces the size of RunData");

inline constexpr std::int32_t kGetInfosAnswer = FindExport("GetInfos").value;
// 'TIER', first character in the most significant byte.
inline constexpr std::uint32_t kIdentifier = 0x54494552;

}  // namespace tier::plugin
