// The module-definition file of the product (plugin/exports.def), printed from
// the export list: the names at the host's ordinals, each mapped to its
// __stdcall function (name@bytes of arguments), in the order of the ordinals.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "plugin/exports.h"

namespace tier::tools {

inline std::string ModuleDefinition() {
  std::vector<plugin::ExportInfo> rows(std::begin(plugin::kExports), std::end(plugin::kExports));
  std::sort(rows.begin(), rows.end(),
            [](const auto& a, const auto& b) { return a.ordinal < b.ordinal; });
  std::string page =
      "; The library's exports: undecorated names at the host's ordinals, nothing else.\n"
      "; Each maps to its __stdcall function (name@bytes of arguments). Written from\n"
      "; plugin/export_list.h: cmake --build build/native --target update_def\n"
      "LIBRARY Tier.vdx\n"
      "EXPORTS\n";
  for (const plugin::ExportInfo& row : rows) {
    const std::string name(row.name);
    page += "  " + name + " = " + name + "@" + std::to_string(4 * row.argumentWords) + " @" +
            std::to_string(row.ordinal) + "\n";
  }
  return page;
}

}  // namespace tier::tools
