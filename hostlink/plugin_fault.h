// A fault of the plug-in that stopped a call: a stray memory access, a call
// that ran past its instruction budget, a routine that removed other than its
// argument bytes, a text result that is no block of its heap. Only the
// library run in the CPU emulator can be stopped this way; the message names
// the library's file as it was given. The module that ran the call returns
// it as the call's error, the one call (hostlink/routine_call.h) hands it on
// in the call's outcome, and whoever plays the host reports it as a result of
// the run (the host program with an exit status of its own), never as a
// crash.
#pragma once

#include <string>

namespace tier::hostlink {

struct PluginFault {
  std::string message;
};

}  // namespace tier::hostlink
