// The product's nothrow new and its delete, straight on the C runtime heap.
// The standard library's own nothrow new calls the throwing form and catches
// what it throws, which would bring the exception runtime into a library
// that is built without exceptions. A failure returns null, as nothrow new
// must; a request for 0 bytes still gets a block of its own.
#include <cstdlib>
#include <new>

namespace {

void* AllocateOrNull(std::size_t size) noexcept { return std::malloc(size != 0 ? size : 1); }

}  // namespace

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
