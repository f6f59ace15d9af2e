// The library's face toward the host: every export on one line, as the host's
// table gives it. Everything else follows from this list: the functions that
// only answer with a constant (plugin/exports.cpp), the declarations
// (plugin/exports.h), the names and ordinals of plugin/exports.def
// (tools/generate_def.cpp writes it), and the tests' expectations.
//
//   TIER_EXPORT(name, ordinal, argument words, answer, value, body)
//
// answer: Full (all 32 bits are the value), Low16 (only the low 16 bits are
// defined), None (the function returns nothing). body: Constant (the list's
// value is the whole function), Work (a hand-written function in exports.cpp
// does more; the value is its answer to the host's usual call).
//
// No include guard: each includer defines TIER_EXPORT, includes this, and
// undefines it.

// Run time.
TIER_EXPORT(GetInfos, 2, 1, Full, 0x300, Work)                  // 0x300 for selector 0, else 0
TIER_EXPORT(GetRunObjectInfos, 59, 2, Low16, 1, Work)           // writes the descriptor
TIER_EXPORT(GetRunObjectDataSize, 80, 2, Low16, 156, Constant)  // sizeof(RunData)
TIER_EXPORT(CreateRunObject, 50, 3, Low16, 0, Constant)
TIER_EXPORT(DestroyRunObject, 51, 2, Low16, 0, Constant)
TIER_EXPORT(HandleRunObject, 52, 1, Low16, 1, Constant)
TIER_EXPORT(DisplayRunObject, 53, 1, Low16, 0, Constant)
TIER_EXPORT(PauseRunObject, 57, 1, Low16, 0, Constant)
TIER_EXPORT(ContinueRunObject, 58, 1, Low16, 0, Constant)
TIER_EXPORT(GetConditionCodeFromMenu, 63, 2, Low16, -1, Constant)
TIER_EXPORT(GetActionCodeFromMenu, 64, 2, Low16, -1, Constant)
TIER_EXPORT(GetExpressionCodeFromMenu, 65, 2, Low16, -1, Constant)
TIER_EXPORT(StartApp, 85, 2, None, 0, Constant)
TIER_EXPORT(EndApp, 86, 2, None, 0, Constant)
TIER_EXPORT(StartFrame, 87, 3, None, 0, Constant)
TIER_EXPORT(EndFrame, 88, 3, None, 0, Constant)

// The editor's entry points: neutral answers.
TIER_EXPORT(PutObject, 8, 4, None, 0, Work)  // stores a 16-bit 0 through its second word
TIER_EXPORT(Free, 26, 1, Full, 0, Constant)
TIER_EXPORT(UsesFile, 30, 1, Full, 0, Constant)
TIER_EXPORT(Initialize, 25, 2, Full, 0, Constant)
TIER_EXPORT(GetTextCaps, 37, 2, Full, 0, Constant)
TIER_EXPORT(GetTextAlignment, 38, 2, Full, 0, Constant)
TIER_EXPORT(GetTextClr, 42, 2, Full, 0, Constant)
TIER_EXPORT(GetConditionInfos, 75, 2, Full, 0, Constant)
TIER_EXPORT(GetActionInfos, 76, 2, Full, 0, Constant)
TIER_EXPORT(GetExpressionInfos, 77, 2, Full, 0, Constant)
TIER_EXPORT(UpdateEditStructure, 78, 2, Full, 0, Constant)
TIER_EXPORT(CreateObject, 14, 3, Full, 0, Constant)
TIER_EXPORT(GetConditionMenu, 60, 3, Full, 0, Constant)
TIER_EXPORT(GetActionMenu, 61, 3, Full, 0, Constant)
TIER_EXPORT(GetExpressionMenu, 62, 3, Full, 0, Constant)
TIER_EXPORT(LoadObject, 6, 4, Full, 0, Constant)
TIER_EXPORT(SetTextFont, 41, 4, Full, 0, Constant)
TIER_EXPORT(MakeIcon, 10, 5, Full, 0, Constant)
TIER_EXPORT(IsTransparent, 21, 5, Full, 0, Constant)
TIER_EXPORT(GetTextFont, 40, 5, Full, 0, Constant)
TIER_EXPORT(ModifyObject, 15, 6, Full, 0, Constant)
TIER_EXPORT(RebuildExt, 16, 6, Full, 0, Constant)
TIER_EXPORT(EnumElts, 24, 6, Full, 0, Constant)
TIER_EXPORT(SelectPopup, 13, 7, Full, 0, Constant)
TIER_EXPORT(CreateFromFile, 31, 2, None, 0, Constant)
TIER_EXPORT(UnloadObject, 7, 3, None, 0, Constant)
TIER_EXPORT(EndModifyObject, 17, 3, None, 0, Constant)
TIER_EXPORT(PrepareToWriteObject, 22, 3, None, 0, Constant)
TIER_EXPORT(SetTextAlignment, 39, 3, None, 0, Constant)
TIER_EXPORT(SetTextClr, 43, 3, None, 0, Constant)
TIER_EXPORT(RemoveObject, 9, 4, None, 0, Constant)
TIER_EXPORT(GetObjectRect, 19, 4, None, 0, Constant)
TIER_EXPORT(UpdateFileNames, 23, 4, None, 0, Constant)
TIER_EXPORT(GetConditionString, 66, 4, None, 0, Constant)
TIER_EXPORT(GetActionString, 67, 4, None, 0, Constant)
TIER_EXPORT(GetExpressionString, 68, 4, None, 0, Constant)
TIER_EXPORT(GetExpressionTitle, 74, 4, None, 0, Constant)
TIER_EXPORT(AppendPopup, 12, 5, None, 0, Constant)
TIER_EXPORT(EditorDisplay, 20, 5, None, 0, Constant)
TIER_EXPORT(GetConditionTitle, 72, 5, None, 0, Constant)
TIER_EXPORT(GetActionTitle, 73, 5, None, 0, Constant)
TIER_EXPORT(GetObjInfos, 36, 7, None, 0, Constant)
