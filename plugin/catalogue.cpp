#include "plugin/catalogue.h"

namespace tier::plugin {

std::array<StringResource, kStringCount> StringTable() {
  std::array<StringResource, kStringCount> table{};
  std::size_t used = 0;
  for (const StringResource& fixed : kFixedStrings) table[used++] = fixed;
  for (const RoutineInfo& row : kCatalogue) {
    const bool seen =
        std::any_of(table.begin(), table.begin() + used,
                    [&](const StringResource& s) { return s.id == row.displayStringId; });
    if (!seen) table[used++] = {row.displayStringId, row.displayText};
  }
  std::sort(table.begin(), table.begin() + used,
            [](const StringResource& a, const StringResource& b) { return a.id < b.id; });
  return table;
}

std::string_view StringText(std::uint16_t id) {
  for (const StringResource& s : StringTable())
    if (s.id == id) return s.text;
  return {};
}

const RoutineInfo* FindRoutine(RoutineKind kind, std::uint16_t code) {
  for (const RoutineInfo& row : kCatalogue)
    if (row.kind == kind && row.code == code) return &row;
  return nullptr;
}

}  // namespace tier::plugin
