// A text in double quotes with \\, \", \t, \n and \xHH escapes: how scene
// files write a text, and how every report and message shows one, so that
// it stays one line of printable ASCII.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace tier {

inline std::string Quote(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"') {
      quoted += '\\';
      quoted += c;
    } else if (c == '\t') {
      quoted += "\\t";
    } else if (c == '\n') {
      quoted += "\\n";
    } else if (byte < 0x20 || byte >= 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(byte));
      quoted += escape;
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

}  // namespace tier
