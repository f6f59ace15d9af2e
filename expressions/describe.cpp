#include "expressions/describe.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "host/services.h"

namespace tier::expressions {
namespace {

using host::DisplayNode;
using host::HostObject;
using host::ObjectTypeEntry;

constexpr char kHeader[] = "Lvl\tName\tFV\n\n";
constexpr std::size_t kLineBufferSize = 100;

const char* NameOf(const HostObject& owner) {
  const ObjectTypeEntry* type = owner.typeEntry.get();
  return type != nullptr ? host::TypeName(*type) : "";
}

// "%ld\t%s\t%ld\n". The numbers go through long so that the text is the same
// where long is 32 bits and where it is 64.
void AppendLine(std::string& text, std::int32_t level, const char* name, std::int32_t fixedValue) {
  static constexpr char kFormat[] = "%ld\t%s\t%ld\n";
  char line[kLineBufferSize];
  const int length = std::snprintf(line, sizeof line, kFormat, static_cast<long>(level), name,
                                   static_cast<long>(fixedValue));
  if (length < 0) return;
  if (static_cast<std::size_t>(length) < sizeof line) {
    text.append(line, static_cast<std::size_t>(length));
    return;
  }
  // A long object name: format the line again into a buffer that holds it whole.
  std::string longLine(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(longLine.data(), longLine.size(), kFormat, static_cast<long>(level), name,
                static_cast<long>(fixedValue));
  text.append(longLine.data(), static_cast<std::size_t>(length));
}

std::string BuildText(const host::RunData& runData, std::int32_t start, std::int32_t count) {
  std::string text = kHeader;
  // In 64 bits, so that a start near the top of the range cannot wrap round.
  const std::int64_t limit = std::int64_t{start} + count;
  std::int64_t position = 0;
  for (const DisplayNode* node = host::DisplayListOf(runData)->head.get(); node != nullptr;
       node = node->next.get()) {
    ++position;
    if (position >= limit) break;
    if (position < start) continue;  // before the start every node uses up a position
    const HostObject* owner = node->owner.get();
    if ((node->flags & host::kUncounted) || owner == nullptr) {
      --position;
      continue;
    }
    AppendLine(text, static_cast<std::int32_t>(position), NameOf(*owner),
               host::FixedValueOf(*owner));
  }
  return text;
}

}  // namespace

char* DescribeLevels(host::RunData& runData, std::int32_t start, std::int32_t count) {
  try {
    const std::string text = BuildText(runData, start, count);
    char* copy = host::AllocateHostText(text.size() + 1);
    if (copy != nullptr) std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
  } catch (const std::bad_alloc&) {
    return nullptr;  // the working text is released on the way out
  }
}

}  // namespace tier::expressions
