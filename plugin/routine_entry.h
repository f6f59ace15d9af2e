// How a routine of the plug-in becomes an entry of the host's routine tables:
// a __stdcall function that resolves RunData and lets no exception out. The
// plug-in's code is built without exceptions and allocates only with nothrow
// new, so nothing is thrown; noexcept makes the promise to the host.
#pragma once

#include <cstdint>

#include "host/records.h"

namespace tier::plugin {

// A condition's or action's logic: RunData and the two parameter words.
using EventImpl = std::int32_t (*)(host::RunData&, std::int32_t, std::int32_t);
// An expression's logic: RunData and the expression token.
using ExpressionImpl = std::intptr_t (*)(host::RunData&, std::int32_t);

template <EventImpl Impl>
std::int32_t TIER_STDCALL EventEntry(host::HostPtr<host::RunData> runData, std::int32_t first,
                                     std::int32_t second) noexcept {
  host::RunData* data = runData.get();
  return data != nullptr ? Impl(*data, first, second) : 0;  // Broken host only: no RunData
}

template <ExpressionImpl Impl>
std::intptr_t TIER_STDCALL ExpressionEntry(host::HostPtr<host::RunData> runData,
                                           std::int32_t token) noexcept {
  host::RunData* data = runData.get();
  return data != nullptr ? Impl(*data, token) : 0;  // Broken host only: no RunData
}

}  // namespace tier::plugin
