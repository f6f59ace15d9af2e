#include "expressions/describe.h"

#include <cstring>
#include <new>

#include "host/services.h"

namespace tier::expressions {
namespace {

using host::DisplayNode;
using host::HostObject;
using host::ObjectTypeEntry;

constexpr char kHeader[] = "Lvl\tName\tFV\n\n";
constexpr std::size_t kFirstCapacity = 256;
constexpr std::size_t kMaxCapacity = static_cast<std::size_t>(-1) / 2;

// The text while it is built: grown by doubling with nothrow new. After an
// allocation fails it takes nothing more and reports the failure at the end.
class WorkingText {
 public:
  WorkingText() = default;
  WorkingText(const WorkingText&) = delete;
  WorkingText& operator=(const WorkingText&) = delete;
  ~WorkingText() { delete[] data_; }

  void Append(const char* piece, std::size_t size) {
    if (failed_ || !Reserve(length_ + size)) return;
    std::memcpy(data_ + length_, piece, size);
    length_ += size;
  }
  void Append(const char* piece) { Append(piece, std::strlen(piece)); }

  bool failed() const { return failed_; }
  const char* data() const { return data_; }
  std::size_t length() const { return length_; }

 private:
  bool Reserve(std::size_t needed) {
    if (needed <= capacity_) return true;
    std::size_t capacity = capacity_ != 0 ? capacity_ : kFirstCapacity;
    while (capacity < needed && capacity <= kMaxCapacity / 2) capacity *= 2;
    char* grown = capacity >= needed ? new (std::nothrow) char[capacity] : nullptr;
    if (grown == nullptr) {
      failed_ = true;
      return false;
    }
    if (length_ != 0) std::memcpy(grown, data_, length_);
    delete[] data_;
    data_ = grown;
    capacity_ = capacity;
    return true;
  }

  char* data_ = nullptr;
  std::size_t length_ = 0;
  std::size_t capacity_ = 0;
  bool failed_ = false;
};

const char* NameOf(const HostObject& owner) {
  const ObjectTypeEntry* type = owner.typeEntry.get();
  return type != nullptr ? host::TypeName(*type) : "";
}

// In decimal with a leading minus, as "%ld" writes a 32-bit value.
void AppendNumber(WorkingText& text, std::int32_t value) {
  char digits[12];
  char* first = digits + sizeof digits;
  // In 64 bits, so that the most negative value has a magnitude.
  std::int64_t magnitude = value < 0 ? -std::int64_t{value} : std::int64_t{value};
  do {
    *--first = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) *--first = '-';
  text.Append(first, static_cast<std::size_t>(digits + sizeof digits - first));
}

// "level<TAB>name<TAB>fixed value<LF>".
void AppendLine(WorkingText& text, std::int32_t level, const char* name, std::int32_t fixedValue) {
  AppendNumber(text, level);
  text.Append("\t", 1);
  text.Append(name);
  text.Append("\t", 1);
  AppendNumber(text, fixedValue);
  text.Append("\n", 1);
}

void BuildText(WorkingText& text, const host::RunData& runData, std::int32_t start,
               std::int32_t count) {
  text.Append(kHeader, sizeof kHeader - 1);
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
}

}  // namespace

char* DescribeLevels(host::RunData& runData, std::int32_t start, std::int32_t count) {
  WorkingText text;
  BuildText(text, runData, start, count);
  if (text.failed()) return nullptr;  // the working text is released on the way out
  char* copy = host::AllocateHostText(text.length() + 1);
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, text.data(), text.length());
  copy[text.length()] = '\0';
  return copy;
}

}  // namespace tier::expressions
