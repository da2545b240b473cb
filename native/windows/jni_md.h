/* Machine-dependent JNI types and linkage for Windows (32- and 64-bit), for cross builds whose JDK
 * headers come from a non-Windows JDK. On 32-bit Windows every JNI entry point uses __stdcall, in
 * which the callee pops its arguments: a caller and callee that disagree unbalance the stack. */
#ifndef LAUNCHER_NATIVE_WINDOWS_JNI_MD_H_
#define LAUNCHER_NATIVE_WINDOWS_JNI_MD_H_

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

/* Windows is LLP64: long stays 32 bits on both architectures. */
typedef long jint;
typedef long long jlong;
typedef signed char jbyte;

#endif /* LAUNCHER_NATIVE_WINDOWS_JNI_MD_H_ */
