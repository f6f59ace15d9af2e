// The instances of an object type that a routine considers (its scope): the
// selected chain while the type's selection is current, else every object of
// the type; and the first of them, which an object parameter stands for.
#pragma once

#include <cstdint>

#include "host/records.h"

namespace tier::order {

using host::HostObject;
using host::ObjectParam;
using host::ObjectTypeEntry;
using host::RunData;

// The ObjectTypeEntry of an object parameter.
ObjectTypeEntry* ParamTypeEntry(const RunData& runData, const ObjectParam& param);

// The first instance in scope of a type: the first selected one while its
// selection is current, else the type's first object; null for none.
HostObject* FirstInScopeOfType(const RunData& runData, const ObjectTypeEntry& type);
HostObject* FirstInScope(const RunData& runData, const ObjectParam& param);

// The fixed value of FirstInScopeOfType, 0 for none.
std::int32_t FirstInScopeFixedValue(const RunData& runData, const ObjectTypeEntry& type);

// Makes a current selection no longer current (selectionStamp 0xFFFF).
void InvalidateSelection(const RunData& runData, ObjectTypeEntry& type);

}  // namespace tier::order
