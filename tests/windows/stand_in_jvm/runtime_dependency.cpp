// Makes the stand-in JVM import a DLL that a test keeps in the runtime's bin folder, as a real
// jvm.dll imports the C library kept there (msvcr100.dll in jre\bin for Java 8): the stand-in
// then loads only where the launcher finds that folder's DLLs.
#include "../fake_jvm_dependency.h"

namespace {
[[gnu::used]] int (*const kRuntimeDependency)() = &fake_jvm_failure_code;
}  // namespace
