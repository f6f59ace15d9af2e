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
  return 1;
}

std::int32_t TIER_STDCALL GetRunObjectDataSize(TierWord, TierWord) { return sizeof(RunData); }

// The instance keeps nothing: RunData is the host's.
std::int32_t TIER_STDCALL CreateRunObject(TierWord, TierWord, TierWord) { return 0; }
std::int32_t TIER_STDCALL DestroyRunObject(TierWord, TierWord) { return 0; }
std::int32_t TIER_STDCALL HandleRunObject(TierWord) { return 1; }
std::int32_t TIER_STDCALL DisplayRunObject(TierWord) { return 0; }
std::int32_t TIER_STDCALL PauseRunObject(TierWord) { return 0; }
std::int32_t TIER_STDCALL ContinueRunObject(TierWord) { return 0; }
std::int32_t TIER_STDCALL GetConditionCodeFromMenu(TierWord, TierWord) { return -1; }
std::int32_t TIER_STDCALL GetActionCodeFromMenu(TierWord, TierWord) { return -1; }
std::int32_t TIER_STDCALL GetExpressionCodeFromMenu(TierWord, TierWord) { return -1; }
void TIER_STDCALL StartApp(TierWord, TierWord) {}
void TIER_STDCALL EndApp(TierWord, TierWord) {}
void TIER_STDCALL StartFrame(TierWord, TierWord, TierWord) {}
void TIER_STDCALL EndFrame(TierWord, TierWord, TierWord) {}

// --- Editor entry points: neutral answers ----------------------------------

void TIER_STDCALL PutObject(TierWord, std::uint16_t* target, TierWord, TierWord) {
  if (target != nullptr) *target = 0;
}
std::int32_t TIER_STDCALL Free(TierWord) { return 0; }
std::int32_t TIER_STDCALL UsesFile(TierWord) { return 0; }
std::int32_t TIER_STDCALL Initialize(TierWord, TierWord) { return 0; }
std::int32_t TIER_STDCALL GetTextCaps(TierWord, TierWord) { return 0; }
std::int32_t TIER_STDCALL GetTextAlignment(TierWord, TierWord) { return 0; }
std::int32_t TIER_STDCALL GetTextClr(TierWord, TierWord) { return 0; }
std::int32_t TIER_STDCALL GetConditionInfos(TierWord, TierWord) { return 0; }
std::int32_t TIER_STDCALL GetActionInfos(TierWord, TierWord) { return 0; }
std::int32_t TIER_STDCALL GetExpressionInfos(TierWord, TierWord) { return 0; }
std::int32_t TIER_STDCALL UpdateEditStructure(TierWord, TierWord) { return 0; }
std::int32_t TIER_STDCALL CreateObject(TierWord, TierWord, TierWord) { return 0; }
std::int32_t TIER_STDCALL GetConditionMenu(TierWord, TierWord, TierWord) { return 0; }
std::int32_t TIER_STDCALL GetActionMenu(TierWord, TierWord, TierWord) { return 0; }
std::int32_t TIER_STDCALL GetExpressionMenu(TierWord, TierWord, TierWord) { return 0; }
std::int32_t TIER_STDCALL LoadObject(TierWord, TierWord, TierWord, TierWord) { return 0; }
std::int32_t TIER_STDCALL SetTextFont(TierWord, TierWord, TierWord, TierWord) { return 0; }
std::int32_t TIER_STDCALL MakeIcon(TierWord, TierWord, TierWord, TierWord, TierWord) { return 0; }
std::int32_t TIER_STDCALL IsTransparent(TierWord, TierWord, TierWord, TierWord, TierWord) {
  return 0;
}
std::int32_t TIER_STDCALL GetTextFont(TierWord, TierWord, TierWord, TierWord, TierWord) {
  return 0;
}
std::int32_t TIER_STDCALL ModifyObject(TierWord, TierWord, TierWord, TierWord, TierWord, TierWord) {
  return 0;
}
std::int32_t TIER_STDCALL RebuildExt(TierWord, TierWord, TierWord, TierWord, TierWord, TierWord) {
  return 0;
}
std::int32_t TIER_STDCALL EnumElts(TierWord, TierWord, TierWord, TierWord, TierWord, TierWord) {
  return 0;
}
std::int32_t TIER_STDCALL SelectPopup(TierWord, TierWord, TierWord, TierWord, TierWord, TierWord,
                                      TierWord) {
  return 0;
}
void TIER_STDCALL CreateFromFile(TierWord, TierWord) {}
void TIER_STDCALL UnloadObject(TierWord, TierWord, TierWord) {}
void TIER_STDCALL EndModifyObject(TierWord, TierWord, TierWord) {}
void TIER_STDCALL PrepareToWriteObject(TierWord, TierWord, TierWord) {}
void TIER_STDCALL SetTextAlignment(TierWord, TierWord, TierWord) {}
void TIER_STDCALL SetTextClr(TierWord, TierWord, TierWord) {}
void TIER_STDCALL RemoveObject(TierWord, TierWord, TierWord, TierWord) {}
void TIER_STDCALL GetObjectRect(TierWord, TierWord, TierWord, TierWord) {}
void TIER_STDCALL UpdateFileNames(TierWord, TierWord, TierWord, TierWord) {}
void TIER_STDCALL GetConditionString(TierWord, TierWord, TierWord, TierWord) {}
void TIER_STDCALL GetActionString(TierWord, TierWord, TierWord, TierWord) {}
void TIER_STDCALL GetExpressionString(TierWord, TierWord, TierWord, TierWord) {}
void TIER_STDCALL GetExpressionTitle(TierWord, TierWord, TierWord, TierWord) {}
void TIER_STDCALL AppendPopup(TierWord, TierWord, TierWord, TierWord, TierWord) {}
void TIER_STDCALL EditorDisplay(TierWord, TierWord, TierWord, TierWord, TierWord) {}
void TIER_STDCALL GetConditionTitle(TierWord, TierWord, TierWord, TierWord, TierWord) {}
void TIER_STDCALL GetActionTitle(TierWord, TierWord, TierWord, TierWord, TierWord) {}
void TIER_STDCALL GetObjInfos(TierWord, TierWord, TierWord, TierWord, TierWord, TierWord,
                              TierWord) {}

}  // extern "C"
