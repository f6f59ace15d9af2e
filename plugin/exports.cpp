#include "plugin/exports.h"

#include "host/services.h"
#include "plugin/tables.h"

namespace {
using tier::host::RunData;
using tier::host::RunObjectInfos;
namespace plugin = tier::plugin;
}  // namespace

extern "C" {

// --- Run time ----------------------------------------------------------------

std::int32_t TIER_STDCALL GetInfos(TierWord selector) {
  return selector == 0 ? plugin::kGetInfosAnswer : 0;
}

// Writes the descriptor field by field: the byte at 0x17 is the host's.
std::int32_t TIER_STDCALL GetRunObjectInfos(TierWord, RunObjectInfos* infos) {
  infos->conditionRoutines = tier::host::StaticAddress(plugin::kConditionTable.data());
  infos->actionRoutines = tier::host::StaticAddress(plugin::kActionTable.data());
  infos->expressionRoutines = tier::host::StaticAddress(plugin::kExpressionTable.data());
  infos->conditionCount = plugin::kConditionCount;
  infos->actionCount = plugin::kActionCount;
  infos->expressionCount = plugin::kExpressionCount;
  infos->word12 = 16;
  infos->word14 = 0;
  infos->byte16 = 100;
  infos->word18 = 0;
  infos->identifier = plugin::kIdentifier;
  infos->word1E = 1;
  return plugin::FindExport("GetRunObjectInfos").value;
}

// --- The editor's one export that writes ------------------------------------

void TIER_STDCALL PutObject(TierWord, std::uint16_t* target, TierWord, TierWord) {
  if (target != nullptr) *target = 0;
}
}  // extern "C"

// --- The exports that only answer with their constants ------------------------

#define TIER_RETURN_Full(value) value
#define TIER_RETURN_Low16(value) value
#define TIER_RETURN_None(value) static_cast<void>(value)
#define TIER_DEFINE_Work(name, words, answer, value)
#define TIER_DEFINE_Constant(name, words, answer, value)                  \
  extern "C" TIER_RESULT_##answer TIER_STDCALL name(TIER_WORDS_##words) { \
    return TIER_RETURN_##answer(value);                                   \
  }
#define TIER_EXPORT(name, ordinal, words, answer, value, body) \
  TIER_DEFINE_##body(name, words, answer, value)
#include "plugin/export_list.h"
#undef TIER_EXPORT
