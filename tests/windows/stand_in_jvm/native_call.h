// Calls into native methods exactly as a Windows JVM does, with the stack pointer observed around
// the call. One implementation per architecture.
#ifndef LAUNCHER_TESTS_WINDOWS_STAND_IN_JVM_NATIVE_CALL_H_
#define LAUNCHER_TESTS_WINDOWS_STAND_IN_JVM_NATIVE_CALL_H_

#include <cstdint>

namespace stand_in {

struct NativeCallResult {
  void* value;  // what the function returned (a JNI reference)
  // Bytes by which the stack pointer after the call differs from where a callee that pops exactly
  // the arguments passed leaves it: 0 iff the callee agreed with the caller on its parameter list.
  int32_t stack_pointer_error;
};

// True iff CallNative honours `stack_misalignment` and measures the stack pointer: on 32-bit x86,
// where JNI functions are __stdcall (callee pops) and Windows promises only 4-byte alignment.
bool NativeCallChecksTheStack();

// Calls `function`, a JNI native taking `argument_count` pointer-sized arguments, with
// `arguments[0..argument_count)`. Where NativeCallChecksTheStack(), the stack pointer is
// `stack_misalignment` mod 16 when the call instruction runs (the return address not yet pushed).
// REQUIRES: argument_count is 2 or 4 (what the natives take); stack_misalignment is a multiple of
// 4 below 16.
NativeCallResult CallNative(const void* function, const void* const* arguments, int argument_count,
                            int stack_misalignment);

// Where NativeCallChecksTheStack(), two __stdcall functions of 2 arguments for checking CallNative
// itself: one that returns the stack pointer it was entered with (the return address on top) and
// one that pops 4 bytes too few. Null elsewhere.
const void* StackPointerProbe();
const void* UnbalancedProbe();

}  // namespace stand_in

#endif  // LAUNCHER_TESTS_WINDOWS_STAND_IN_JVM_NATIVE_CALL_H_
