#include "order/scope.h"

namespace tier::order {

using host::RunHeader;

ObjectTypeEntry* ParamTypeEntry(const RunData& runData, const ObjectParam& param) {
  return host::TypeEntryAt(*host::RunHeaderOf(runData), param.typeOffset);
}

HostObject* FirstInScopeOfType(const RunData& runData, const ObjectTypeEntry& type) {
  const RunHeader& header = *host::RunHeaderOf(runData);
  const std::int16_t number =
      host::IsSelectionCurrent(type, header) ? type.firstSelected : type.firstObject;
  if (number < 0) return nullptr;
  return host::ObjectInSlot(header, number);
}

HostObject* FirstInScope(const RunData& runData, const ObjectParam& param) {
  return FirstInScopeOfType(runData, *ParamTypeEntry(runData, param));
}

std::int32_t FirstInScopeFixedValue(const RunData& runData, const ObjectTypeEntry& type) {
  const HostObject* object = FirstInScopeOfType(runData, type);
  return object != nullptr ? host::FixedValueOf(*object) : 0;
}

void InvalidateSelection(const RunData& runData, ObjectTypeEntry& type) {
  if (host::IsSelectionCurrent(type, *host::RunHeaderOf(runData)))
    type.selectionStamp = host::kInvalidatedStamp;
}

}  // namespace tier::order
