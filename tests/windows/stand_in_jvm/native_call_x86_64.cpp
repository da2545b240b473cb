// 64-bit Windows: one calling convention, in which the caller pops and every call is made with the
// stack 16-byte aligned, so there is no imbalance to measure and no misalignment a JVM could
// present; the natives are called through pointers of their declared types.
#include <cstdlib>

#include "native_call.h"

namespace stand_in {

bool NativeCallChecksTheStack() { return false; }

const void* StackPointerProbe() { return nullptr; }

const void* UnbalancedProbe() { return nullptr; }

NativeCallResult CallNative(const void* function, const void* const* arguments, int argument_count,
                            int /*stack_misalignment*/) {
  using TwoArguments = void* (*)(const void*, const void*);
  using FourArguments = void* (*)(const void*, const void*, const void*, const void*);
  NativeCallResult result{};
  switch (argument_count) {
    case 2:
      result.value = reinterpret_cast<TwoArguments>(function)(arguments[0], arguments[1]);
      break;
    case 4:
      result.value = reinterpret_cast<FourArguments>(function)(arguments[0], arguments[1],
                                                               arguments[2], arguments[3]);
      break;
    default:
      std::abort();  // the natives take the environment, the receiver and at most two buffers
  }
  return result;
}

}  // namespace stand_in
