// Finding a routine by what a person typed, and listing them all.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/catalogue.h"

namespace tier::hostprog {

// The display strings nearest to `typed`, best first, each once: those equal
// to it but for case when there are any, else those within a few edits
// (letters compared without case). Empty when nothing is near.
std::vector<std::string_view> NearestDisplayStrings(std::string_view typed);

// Every routine of the catalogue, one line each: kind, code, display string
// (as `displayText` gives it for a code) and parameters with their titles.
using DisplayTextOf = std::function<std::string(const plugin::RoutineInfo&)>;
std::string RoutineListing(const DisplayTextOf& displayText);

// The catalogue as JSON, for the scripts that check what the routines give
// (docs/routines.json is this text, kept in the repository): the count of each
// kind, and every routine, one a line, with its kind, code, routine name,
// display string, string id and the one word of each parameter.
std::string RoutineListJson();

}  // namespace tier::hostprog
