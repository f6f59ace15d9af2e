#include "hostprog/routine_names.h"

#include <algorithm>
#include <cstdio>

#include "hostprog/scene_file.h"

namespace tier::hostprog {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualButCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

// Levenshtein distance without case, given up beyond `limit`.
std::size_t EditDistance(std::string_view a, std::string_view b, std::size_t limit) {
  if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > limit) return limit + 1;
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    std::size_t best = row[0];
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min(
          {row[j] + 1, row[j - 1] + 1, diagonal + (Lower(a[i - 1]) == Lower(b[j - 1]) ? 0 : 1)});
      diagonal = above;
      best = std::min(best, row[j]);
    }
    if (best > limit) return limit + 1;
  }
  return row[b.size()];
}

std::string ParameterText(const plugin::RoutineInfo& row) {
  if (row.parameterCount == 0) return "no parameters";
  std::string text;
  for (int i = 0; i < row.parameterCount; ++i) {
    const plugin::ParameterInfo& parameter = row.parameters[i];
    std::string form(plugin::ParameterWord(row, i));
    if (form == "alterable value") form = "alt";  // the word a scene writes
    text += (i ? ", " : "") + ("%" + std::to_string(i) + " " + form);
    if (row.kind != plugin::RoutineKind::Expression)
      text += " (" + std::string(plugin::StringText(parameter.titleId)) + ")";
  }
  return text;
}

}  // namespace

std::vector<std::string_view> NearestDisplayStrings(std::string_view typed) {
  std::vector<std::string_view> found;
  auto add = [&found](std::string_view text) {
    if (std::find(found.begin(), found.end(), text) == found.end()) found.push_back(text);
  };
  for (const plugin::RoutineInfo& row : plugin::kCatalogue)
    if (EqualButCase(row.displayText, typed)) add(row.displayText);
  if (!found.empty() || typed.size() > 200) return found;

  // A few slips for a short string, up to a third of a long one.
  const std::size_t limit = std::max<std::size_t>(3, typed.size() / 3);
  std::vector<std::pair<std::size_t, std::string_view>> near;
  for (const plugin::RoutineInfo& row : plugin::kCatalogue) {
    const std::size_t distance = EditDistance(typed, row.displayText, limit);
    if (distance <= limit) near.emplace_back(distance, row.displayText);
  }
  std::stable_sort(near.begin(), near.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [distance, text] : near)
    if (found.size() < 3 && distance <= near.front().first + 1) add(text);
  return found;
}

std::string RoutineListing(const DisplayTextOf& displayText) {
  std::string out;
  for (const plugin::RoutineInfo& row : plugin::kCatalogue) {
    char head[32];
    std::snprintf(head, sizeof head, "%-10s %2u  ", std::string(plugin::KindWord(row.kind)).c_str(),
                  static_cast<unsigned>(row.code));
    std::string text = Quote(displayText(row));
    if (text.size() < 50) text.resize(50, ' ');
    out += head + text + "  " + ParameterText(row) + "\n";
  }
  return out;
}

namespace {

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

std::string RoutineListJson() {
  std::string out = "{\n  \"conditions\": " + std::to_string(plugin::kConditionCount) +
                    ",\n  \"actions\": " + std::to_string(plugin::kActionCount) +
                    ",\n  \"expressions\": " + std::to_string(plugin::kExpressionCount) +
                    ",\n  \"routines\": [\n";
  for (const plugin::RoutineInfo& row : plugin::kCatalogue) {
    out += "    {\"kind\": " + JsonString(plugin::KindWord(row.kind)) +
           ", \"code\": " + std::to_string(row.code) +
           ", \"name\": " + JsonString(row.routineName) +
           ", \"display\": " + JsonString(row.displayText) +
           ", \"stringId\": " + std::to_string(row.displayStringId) + ", \"parameters\": [";
    for (int i = 0; i < row.parameterCount; ++i)
      out += (i ? ", " : "") + JsonString(plugin::ParameterWord(row, i));
    out += "]}";
    out += &row == &plugin::kCatalogue.back() ? "\n" : ",\n";
  }
  return out + "  ]\n}\n";
}

}  // namespace tier::hostprog
