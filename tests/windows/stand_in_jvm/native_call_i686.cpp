// 32-bit x86: JNI natives are __stdcall, so the callee pops its arguments. A callee declared with
// a different parameter list than the caller pushes returns with the stack pointer moved, which
// only an observer outside both compilers can see: a small assembly thunk that places the
// arguments itself, at a chosen alignment, and compares the stack pointer after the call with
// where a balanced callee leaves it.
#include "native_call.h"

// uint32_t __cdecl stand_in_call_stdcall(const void* function, const void* const* arguments,
//                                         uint32_t count, uint32_t misalignment,
//                                         int32_t* stack_pointer_error)
// Saves the callee-saved registers, lowers the stack pointer to `misalignment` mod 16 with room
// for the arguments, copies them in order (the first at the lowest address), calls, stores the
// stack pointer's distance from the balanced position, and restores its own frame through %ebp
// whatever the callee did to %esp.
asm(R"(
    .text
    .globl _stand_in_call_stdcall
    .def _stand_in_call_stdcall; .scl 2; .type 32; .endef
_stand_in_call_stdcall:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
    leal (,%ecx,4), %ebx
    movl %esp, %eax
    subl %ebx, %eax
    subl $16, %eax
    andl $-16, %eax
    addl 20(%ebp), %eax
    movl %eax, %esp
    xorl %edx, %edx
1:  cmpl %ecx, %edx
    jae 2f
    movl (%esi,%edx,4), %eax
    movl %eax, (%esp,%edx,4)
    incl %edx
    jmp 1b
2:  leal (%esp,%ebx), %esi
    movl 8(%ebp), %eax
    call *%eax
    movl %esp, %ecx
    subl %esi, %ecx
    movl 24(%ebp), %edx
    movl %ecx, (%edx)
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret

    .globl _stand_in_stack_pointer_probe@8
    .def _stand_in_stack_pointer_probe@8; .scl 2; .type 32; .endef
_stand_in_stack_pointer_probe@8:
    movl %esp, %eax
    ret $8

    .globl _stand_in_unbalanced_probe@8
    .def _stand_in_unbalanced_probe@8; .scl 2; .type 32; .endef
_stand_in_unbalanced_probe@8:
    xorl %eax, %eax
    ret $4
)");

extern "C" void* __cdecl stand_in_call_stdcall(const void* function, const void* const* arguments,
                                               uint32_t count, uint32_t misalignment,
                                               int32_t* stack_pointer_error);

extern "C" void* __stdcall stand_in_stack_pointer_probe(void*, void*);
extern "C" void* __stdcall stand_in_unbalanced_probe(void*, void*);

namespace stand_in {

bool NativeCallChecksTheStack() { return true; }

const void* StackPointerProbe() {
  return reinterpret_cast<const void*>(&stand_in_stack_pointer_probe);
}

const void* UnbalancedProbe() { return reinterpret_cast<const void*>(&stand_in_unbalanced_probe); }

NativeCallResult CallNative(const void* function, const void* const* arguments, int argument_count,
                            int stack_misalignment) {
  NativeCallResult result{};
  result.value =
      stand_in_call_stdcall(function, arguments, static_cast<uint32_t>(argument_count),
                            static_cast<uint32_t>(stack_misalignment), &result.stack_pointer_error);
  return result;
}

}  // namespace stand_in
