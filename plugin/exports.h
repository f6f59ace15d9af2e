// The library's exported entry points. The host finds them by name (or by the
// ordinals of exports.def); every one takes 32-bit words and removes its own
// arguments. Only GetRunObjectInfos and GetRunObjectDataSize matter at run
// time; the editor entry points answer with neutral values.
#pragma once

#include <cstdint>

#include "host/records.h"

using TierWord = std::uint32_t;

extern "C" {
std::int32_t TIER_STDCALL GetInfos(TierWord selector);
std::int32_t TIER_STDCALL GetRunObjectInfos(TierWord, tier::host::RunObjectInfos* infos);
std::int32_t TIER_STDCALL GetRunObjectDataSize(TierWord, TierWord);
std::int32_t TIER_STDCALL CreateRunObject(TierWord, TierWord, TierWord);
std::int32_t TIER_STDCALL DestroyRunObject(TierWord, TierWord);
std::int32_t TIER_STDCALL HandleRunObject(TierWord);
std::int32_t TIER_STDCALL DisplayRunObject(TierWord);
std::int32_t TIER_STDCALL PauseRunObject(TierWord);
std::int32_t TIER_STDCALL ContinueRunObject(TierWord);
std::int32_t TIER_STDCALL GetConditionCodeFromMenu(TierWord, TierWord);
std::int32_t TIER_STDCALL GetActionCodeFromMenu(TierWord, TierWord);
std::int32_t TIER_STDCALL GetExpressionCodeFromMenu(TierWord, TierWord);
void TIER_STDCALL PutObject(TierWord, std::uint16_t* target, TierWord, TierWord);
std::int32_t TIER_STDCALL Free(TierWord);
std::int32_t TIER_STDCALL UsesFile(TierWord);
std::int32_t TIER_STDCALL Initialize(TierWord, TierWord);
std::int32_t TIER_STDCALL GetTextCaps(TierWord, TierWord);
std::int32_t TIER_STDCALL GetTextAlignment(TierWord, TierWord);
std::int32_t TIER_STDCALL GetTextClr(TierWord, TierWord);
std::int32_t TIER_STDCALL GetConditionInfos(TierWord, TierWord);
std::int32_t TIER_STDCALL GetActionInfos(TierWord, TierWord);
std::int32_t TIER_STDCALL GetExpressionInfos(TierWord, TierWord);
std::int32_t TIER_STDCALL UpdateEditStructure(TierWord, TierWord);
std::int32_t TIER_STDCALL CreateObject(TierWord, TierWord, TierWord);
std::int32_t TIER_STDCALL GetConditionMenu(TierWord, TierWord, TierWord);
std::int32_t TIER_STDCALL GetActionMenu(TierWord, TierWord, TierWord);
std::int32_t TIER_STDCALL GetExpressionMenu(TierWord, TierWord, TierWord);
std::int32_t TIER_STDCALL LoadObject(TierWord, TierWord, TierWord, TierWord);
std::int32_t TIER_STDCALL SetTextFont(TierWord, TierWord, TierWord, TierWord);
std::int32_t TIER_STDCALL MakeIcon(TierWord, TierWord, TierWord, TierWord, TierWord);
std::int32_t TIER_STDCALL IsTransparent(TierWord, TierWord, TierWord, TierWord, TierWord);
std::int32_t TIER_STDCALL GetTextFont(TierWord, TierWord, TierWord, TierWord, TierWord);
std::int32_t TIER_STDCALL ModifyObject(TierWord, TierWord, TierWord, TierWord, TierWord, TierWord);
std::int32_t TIER_STDCALL RebuildExt(TierWord, TierWord, TierWord, TierWord, TierWord, TierWord);
std::int32_t TIER_STDCALL EnumElts(TierWord, TierWord, TierWord, TierWord, TierWord, TierWord);
std::int32_t TIER_STDCALL SelectPopup(TierWord, TierWord, TierWord, TierWord, TierWord, TierWord,
                                      TierWord);
void TIER_STDCALL CreateFromFile(TierWord, TierWord);
void TIER_STDCALL StartApp(TierWord, TierWord);
void TIER_STDCALL EndApp(TierWord, TierWord);
void TIER_STDCALL UnloadObject(TierWord, TierWord, TierWord);
void TIER_STDCALL EndModifyObject(TierWord, TierWord, TierWord);
void TIER_STDCALL PrepareToWriteObject(TierWord, TierWord, TierWord);
void TIER_STDCALL SetTextAlignment(TierWord, TierWord, TierWord);
void TIER_STDCALL SetTextClr(TierWord, TierWord, TierWord);
void TIER_STDCALL StartFrame(TierWord, TierWord, TierWord);
void TIER_STDCALL EndFrame(TierWord, TierWord, TierWord);
void TIER_STDCALL RemoveObject(TierWord, TierWord, TierWord, TierWord);
void TIER_STDCALL GetObjectRect(TierWord, TierWord, TierWord, TierWord);
void TIER_STDCALL UpdateFileNames(TierWord, TierWord, TierWord, TierWord);
void TIER_STDCALL GetConditionString(TierWord, TierWord, TierWord, TierWord);
void TIER_STDCALL GetActionString(TierWord, TierWord, TierWord, TierWord);
void TIER_STDCALL GetExpressionString(TierWord, TierWord, TierWord, TierWord);
void TIER_STDCALL GetExpressionTitle(TierWord, TierWord, TierWord, TierWord);
void TIER_STDCALL AppendPopup(TierWord, TierWord, TierWord, TierWord, TierWord);
void TIER_STDCALL EditorDisplay(TierWord, TierWord, TierWord, TierWord, TierWord);
void TIER_STDCALL GetConditionTitle(TierWord, TierWord, TierWord, TierWord, TierWord);
void TIER_STDCALL GetActionTitle(TierWord, TierWord, TierWord, TierWord, TierWord);
void TIER_STDCALL GetObjInfos(TierWord, TierWord, TierWord, TierWord, TierWord, TierWord, TierWord);
}

namespace tier::plugin {

inline constexpr std::int32_t kGetInfosAnswer = 0x300;
// 'TIER', first character in the most significant byte.
inline constexpr std::uint32_t kIdentifier = 0x54494552;

}  // namespace tier::plugin
