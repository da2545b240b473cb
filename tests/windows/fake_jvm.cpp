// A stand-in for a JVM library, for exercising the launcher's loader on Windows without a Java
// runtime: it exports JNI_CreateJavaVM, which reports failure, and it depends on a second DLL that
// must be found in the stand-in's own folder.
#include "fake_jvm_dependency.h"

extern "C" __declspec(dllexport) int __stdcall JNI_CreateJavaVM(void** vm, void** env, void*) {
  *vm = nullptr;
  *env = nullptr;
  return fake_jvm_failure_code();  // JNI_ERR
}
