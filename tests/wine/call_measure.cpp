#include "tests/wine/call_measure.h"

// CallWords(function, words, count, &espDelta), caller-cleans itself: records
// ESP before pushing the words, pushes them last to first, calls, and stores
// ESP after the call minus ESP before the pushes (0 when the callee removed
// every word). ESP is restored from the saved value whatever the callee did.
extern "C" std::uint32_t CallWords(const void* function, const std::uint32_t* words,
                                   std::uint32_t count, std::int32_t* espDelta);

asm(R"(
    .text
    .globl _CallWords
_CallWords:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
    movl %esp, %edi
1:  testl %ecx, %ecx
    jz 2f
    pushl -4(%esi,%ecx,4)
    decl %ecx
    jmp 1b
2:  call *8(%ebp)
    movl %esp, %ecx
    subl %edi, %ecx
    movl 20(%ebp), %edx
    movl %ecx, (%edx)
    movl %edi, %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");

namespace tier::test {

MeasuredCall CallAndMeasure(const void* function, const std::vector<std::uint32_t>& words) {
  std::int32_t delta = 0;
  const std::uint32_t count = static_cast<std::uint32_t>(words.size());
  const std::uint32_t result = CallWords(function, words.data(), count, &delta);
  return {result, static_cast<std::int32_t>(4 * count) + delta};
}

}  // namespace tier::test
