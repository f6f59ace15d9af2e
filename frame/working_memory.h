// Working memory for one routine call. A routine that needs scratch room takes
// it here, sized to what the call needs: a few hundred values fit in the
// object itself, on the routine's stack; more come from the heap with nothrow
// new. The memory is released before the routine returns (when the object
// goes out of scope), and a routine that cannot have it takes a slower way to
// the same results and writes, so neither the memory nor its failure is
// anything the host can observe. Nothing is kept between calls, so a call
// made inside another call overwrites nothing of the outer one.
#pragma once

#include <algorithm>
#include <cstddef>
#include <new>

namespace tier::frame {

template <typename T, std::size_t kOnStack>
class WorkingArray {
 public:
  explicit WorkingArray(std::size_t count)
      : data_(count <= kOnStack ? local_ : new (std::nothrow) T[count]) {}
  ~WorkingArray() {
    if (data_ != local_) delete[] data_;
  }
  WorkingArray(const WorkingArray&) = delete;
  WorkingArray& operator=(const WorkingArray&) = delete;

  // Null when the heap refused the block.
  T* get() const { return data_; }
  T& operator[](std::size_t i) const { return data_[i]; }

 private:
  T local_[kOnStack];
  T* const data_;
};

// A list that a call appends to without knowing its length beforehand: up
// to kOnStack elements in the object, then in heap blocks that double. After
// a block is refused it takes nothing more and says so.
template <typename T, std::size_t kOnStack>
class WorkingList {
 public:
  WorkingList() = default;
  ~WorkingList() {
    if (data_ != local_) delete[] data_;
  }
  WorkingList(const WorkingList&) = delete;
  WorkingList& operator=(const WorkingList&) = delete;

  // False, keeping nothing more, once memory has been refused.
  bool Append(const T& value) {
    if (failed_ || (size_ == capacity_ && !Grow())) return false;
    data_[size_++] = value;
    return true;
  }
  bool failed() const { return failed_; }
  std::size_t size() const { return size_; }
  const T& operator[](std::size_t i) const { return data_[i]; }

 private:
  bool Grow() {
    T* grown = new (std::nothrow) T[2 * capacity_];
    if (grown == nullptr) {
      failed_ = true;
      return false;
    }
    std::copy(data_, data_ + size_, grown);
    if (data_ != local_) delete[] data_;
    data_ = grown;
    capacity_ *= 2;
    return true;
  }

  T local_[kOnStack];
  T* data_ = local_;
  std::size_t size_ = 0;
  std::size_t capacity_ = kOnStack;
  bool failed_ = false;
};

}  // namespace tier::frame
