// Working memory for one routine call. A routine that needs scratch room takes
// it here, sized to what the call needs: a few hundred values fit in the
// object itself, on the routine's stack; more come from the heap with nothrow
// new. The memory is released before the routine returns (when the object
// goes out of scope), and a routine that cannot have it takes a slower way to
// the same results and writes, so neither the memory nor its failure is
// anything the host can observe. Nothing is kept between calls, so a call
// made inside another call overwrites nothing of the outer one.
#pragma once

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

}  // namespace tier::frame
