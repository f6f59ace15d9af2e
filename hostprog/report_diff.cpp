#include "hostprog/report_diff.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace tier::hostprog {
namespace {

constexpr int kContext = 3;
constexpr int kMaxEdits = 2000;         // beyond this, the middle is shown replaced whole
constexpr std::size_t kMaxLines = 400;  // lines of diff shown

std::vector<std::string_view> Lines(const std::string& text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

enum class Edit { kKeep, kRemove, kAdd };

// The shortest edit script from a to b (Myers), or, when it takes more than
// kMaxEdits edits, all of a removed and all of b added.
std::vector<Edit> EditScript(const std::vector<std::string_view>& a,
                             const std::vector<std::string_view>& b) {
  const int n = static_cast<int>(a.size()), m = static_cast<int>(b.size());
  const int limit = std::min(n + m, kMaxEdits);
  const int offset = limit + 1;
  std::vector<int> v(2 * offset + 1, 0);
  std::vector<std::vector<int>> trace;
  int found = -1;
  for (int d = 0; d <= limit && found < 0; ++d) {
    trace.push_back(v);
    for (int k = -d; k <= d; k += 2) {
      int x = (k == -d || (k != d && v[offset + k - 1] < v[offset + k + 1]))
                  ? v[offset + k + 1]
                  : v[offset + k - 1] + 1;
      int y = x - k;
      while (x < n && y < m && a[x] == b[y]) ++x, ++y;
      v[offset + k] = x;
      if (x >= n && y >= m) {
        found = d;
        break;
      }
    }
  }
  std::vector<Edit> script;
  if (found < 0) {
    script.assign(n, Edit::kRemove);
    script.insert(script.end(), m, Edit::kAdd);
    return script;
  }
  int x = n, y = m;
  for (int d = found; d > 0; --d) {
    const std::vector<int>& before = trace[d];
    const int k = x - y;
    const bool down = k == -d || (k != d && before[offset + k - 1] < before[offset + k + 1]);
    const int previousK = down ? k + 1 : k - 1;
    const int previousX = before[offset + previousK];
    const int previousY = previousX - previousK;
    while (x > previousX && y > previousY) {
      script.push_back(Edit::kKeep);
      --x, --y;
    }
    script.push_back(down ? Edit::kAdd : Edit::kRemove);
    x = previousX;
    y = previousY;
  }
  while (x > 0 && y > 0) {
    script.push_back(Edit::kKeep);
    --x, --y;
  }
  std::reverse(script.begin(), script.end());
  return script;
}

bool StartsStep(std::string_view line) {
  return line.substr(0, 5) == "call " || line.substr(0, 6) == "frame:";
}

}  // namespace

std::string UnifiedDiff(const std::string& oldText, const std::string& newText,
                        const std::string& oldName, const std::string& newName) {
  const std::vector<std::string_view> a = Lines(oldText), b = Lines(newText);
  if (a == b) return "";

  // The common head and tail need no search.
  std::size_t head = 0;
  while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
  std::size_t tail = 0;
  while (tail < a.size() - head && tail < b.size() - head &&
         a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
    ++tail;
  const std::vector<std::string_view> middleA(a.begin() + head, a.end() - tail);
  const std::vector<std::string_view> middleB(b.begin() + head, b.end() - tail);
  std::vector<Edit> script(head, Edit::kKeep);
  const std::vector<Edit> middle = EditScript(middleA, middleB);
  script.insert(script.end(), middle.begin(), middle.end());
  script.insert(script.end(), tail, Edit::kKeep);

  // Positions in a and b before each edit.
  std::vector<std::size_t> atA(script.size() + 1), atB(script.size() + 1);
  for (std::size_t i = 0; i < script.size(); ++i) {
    atA[i + 1] = atA[i] + (script[i] != Edit::kAdd ? 1 : 0);
    atB[i + 1] = atB[i] + (script[i] != Edit::kRemove ? 1 : 0);
  }

  std::string out = "--- " + oldName + "\n+++ " + newName + "\n";
  std::size_t shown = 0;
  std::size_t i = 0;
  while (i < script.size()) {
    if (script[i] == Edit::kKeep) {
      ++i;
      continue;
    }
    // A hunk: from kContext lines before this change to kContext lines after
    // the last change that lies within 2 x kContext of the one before it.
    const std::size_t begin = i >= kContext ? i - kContext : 0;
    std::size_t end = i;
    while (true) {
      while (end < script.size() && script[end] != Edit::kKeep) ++end;
      std::size_t next = end;
      while (next < script.size() && script[next] == Edit::kKeep && next - end <= 2 * kContext)
        ++next;
      if (next < script.size() && script[next] != Edit::kKeep && next - end <= 2 * kContext)
        end = next;
      else
        break;
    }
    end = std::min(script.size(), end + kContext);

    std::string header;
    for (std::size_t line = std::min(atA[i], a.size() - 1) + 1; line-- > 0 && !a.empty();)
      if (StartsStep(a[line])) {
        header = " " + std::string(a[line]);
        break;
      }
    const std::size_t countA = atA[end] - atA[begin], countB = atB[end] - atB[begin];
    out += "@@ -" + std::to_string(atA[begin] + (countA ? 1 : 0)) + "," + std::to_string(countA) +
           " +" + std::to_string(atB[begin] + (countB ? 1 : 0)) + "," + std::to_string(countB) +
           " @@" + header + "\n";
    for (std::size_t e = begin; e < end; ++e) {
      if (++shown > kMaxLines) {
        out += "... (the diff goes on; it is cut after " + std::to_string(kMaxLines) + " lines)\n";
        return out;
      }
      switch (script[e]) {
        case Edit::kKeep:
          out += " " + std::string(a[atA[e]]) + "\n";
          break;
        case Edit::kRemove:
          out += "-" + std::string(a[atA[e]]) + "\n";
          break;
        case Edit::kAdd:
          out += "+" + std::string(b[atB[e]]) + "\n";
          break;
      }
    }
    i = end;
  }
  return out;
}

}  // namespace tier::hostprog
