// Where the fuzzer's choices come from: a seeded generator (the same numbers
// on every platform) or the bytes of a libFuzzer input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace tier::testkit::fuzz {

class Source {
 public:
  virtual ~Source() = default;
  virtual std::uint32_t Next() = 0;
  // True once a byte input has run out (a seeded source never does).
  virtual bool Exhausted() const { return false; }

  // 0 .. n-1 (0 when n <= 0).
  int Below(int n) { return n <= 0 ? 0 : static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }
  bool Chance(int percent) { return Below(100) < percent; }
  std::int32_t Word() { return static_cast<std::int32_t>(Next()); }
  std::int16_t Half() { return static_cast<std::int16_t>(Next()); }
  template <typename T>
  T Pick(std::initializer_list<T> choices) {
    return choices.begin()[Below(static_cast<int>(choices.size()))];
  }
};

// splitmix64: small, fast and fully specified, so a seed means the same
// cases natively and under Wine.
class SeededSource : public Source {
 public:
  explicit SeededSource(std::uint64_t seed) : state_(seed) {}
  std::uint32_t Next() override {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 16);
  }

 private:
  std::uint64_t state_;
};

// Reads the input a byte at a time (small choices stay cheap for the
// fuzzer's mutations); yields 0 once it has run out.
class ByteSource : public Source {
 public:
  ByteSource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint32_t Next() override {
    if (at_ >= size_) return 0;
    std::uint32_t word = data_[at_++];
    // Large choices take more bytes: a marker byte of 0xFF pulls in three more.
    if (word == 0xFF) {
      for (int i = 0; i < 3 && at_ < size_; ++i) word = (word << 8) | data_[at_++];
    }
    return word;
  }
  bool Exhausted() const override { return at_ >= size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace tier::testkit::fuzz
