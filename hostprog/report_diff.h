// A unified diff of two reports, for --check: each hunk is headed by the call
// (or the frame) of the expected report it falls in, so that a reader sees at
// once which call's outcome changed.
#pragma once

#include <string>

namespace tier::hostprog {

// Empty when the two texts hold the same lines (CR before LF ignored); else
// "--- OLD_NAME", "+++ NEW_NAME" and hunks with three lines of context, each
// "@@ -a,b +c,d @@ call N: ...". Very long diffs are cut with a note.
std::string UnifiedDiff(const std::string& oldText, const std::string& newText,
                        const std::string& oldName, const std::string& newName);

}  // namespace tier::hostprog
