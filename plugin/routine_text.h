// What game authors read about each routine, the last column of its row in
// plugin/catalogue_rows.h: its behaviour in one line and in full. Only the
// generators of the reference and of README.txt, the playground and their
// tests include it; everything else reads the rows without their text, which
// the build rewrites only when a fact changes, so that editing a text
// rebuilds these alone.
#pragma once

#include <array>
#include <string_view>

#include "plugin/catalogue.h"
#include "plugin/catalogue_rows.h"

namespace tier::plugin {

namespace catalogue_detail {

// The rows with their text; a row without its Says would have none here.
inline constexpr std::array<RoutineWithText, kRoutineCount> kRowsWithText = {
    {TIER_MAKE_ROWS(TIER_ROUTINE_ROWS_WITH_TEXT)}};

// The rows that everything else reads are these, less their text; a stale
// copy would give a routine another's text.
constexpr bool TextsFollowTheCatalogue() {
  for (std::size_t i = 0; i < kCatalogue.size(); ++i) {
    const RoutineWithText& row = kRowsWithText[i];
    if (row.info.kind != kCatalogue[i].kind || row.info.code != kCatalogue[i].code ||
        row.info.routineName != kCatalogue[i].routineName)
      return false;
    if (row.text.summary.empty() || row.text.description.empty()) return false;
  }
  return true;
}
static_assert(TextsFollowTheCatalogue(),
              "every row of plugin/catalogue_rows.h needs its Says(summary, description), "
              "and the build's copy of the rows must be up to date");

}  // namespace catalogue_detail

constexpr const RoutineText& TextOf(const RoutineInfo& row) {
  return catalogue_detail::kRowsWithText[IndexOf(row)].text;
}

}  // namespace tier::plugin
