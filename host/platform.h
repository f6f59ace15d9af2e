// The one place that knows which machine the plug-in is built for.
#pragma once

#if defined(_WIN32)
#define TIER_WIN32 1
// The host's calling convention: the callee removes its arguments.
#define TIER_STDCALL __attribute__((stdcall))
#else
#define TIER_WIN32 0
#define TIER_STDCALL
#endif
