#include "modload/win32/call.h"

// trivex_call_frame(function, args, count): pushes args[count-1] .. args[0],
// calls `function`, then takes the stack pointer back from its own frame
// (ebp) whatever the callee did to it. Returns what the callee left in eax.
extern "C" uint32_t trivex_call_frame(uint32_t function, const uint32_t* args, uint32_t count);

asm(R"(
    .text
    .globl _trivex_call_frame
    .def _trivex_call_frame; .scl 2; .type 32; .endef
_trivex_call_frame:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%esi,%ecx,4)
    jmp 1b
2:  cld
    call *8(%ebp)
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");

namespace trivex::modload {

bool callEntry(uint32_t function, bool /*callerRemoves*/, uint32_t& result, const CallSlot (&slots)[kCallSlots]) {
    uint32_t args[kCallSlots];
    int count = 0;
    for (const CallSlot& s : slots)
        if (s.present) args[count++] = s.value;
    result = trivex_call_frame(function, args, static_cast<uint32_t>(count));
    return true;
}

uint32_t callWithArgs(uint32_t function, const uint32_t* args, int count) {
    if (count < 0) count = 0;
    if (count > kCallSlots) count = kCallSlots;
    return trivex_call_frame(function, args, static_cast<uint32_t>(count));
}

}  // namespace trivex::modload
