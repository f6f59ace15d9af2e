// Reading what a person hands the host program: a scene, an expected report,
// or standard input. Whatever the path names (a directory, a device, a file
// too large or unreadable), the answer is the text or one line saying why not.
#pragma once

#include <cstddef>
#include <string>

#include "support/result.h"

namespace tier::hostprog {

// No scene or report the host program reads may be larger than this; a frame
// with every slot in use and its calls fit in a fraction of it.
inline constexpr std::size_t kMaxInputBytes = 16u << 20;

// The path that stands for standard input, and the name messages give it.
inline constexpr const char* kStandardInputPath = "-";
inline constexpr const char* kStandardInputName = "(standard input)";

// The whole file at `path` ("-": standard input), or the error "PATH: the
// reason".
Result<std::string> ReadInputFile(const std::string& path);

// Whether nothing at all is found at `path` (not standard input).
bool NoSuchFile(const std::string& path);

// The words every message gives for a path where nothing is found, whatever
// the system calls it.
inline constexpr const char* kNoSuchFile = "no such file";

// The folder that a file written at `path` would go into, when no such folder
// exists; empty when it exists or `path` names none.
std::string MissingFolder(const std::string& path);

// Why the last file operation failed, from errno, in the words of the
// messages above.
std::string SystemReason();

// The name of `path` in messages.
std::string InputName(const std::string& path);

}  // namespace tier::hostprog
