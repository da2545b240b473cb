// The VM host and the three natives it registers. Standard output carries the launcher's progress
// trace, whose exact texts are part of its interface; Java exception descriptions go to stderr.
#include "jni-adapter.h"

#include <jni.h>

#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "aes_whitebox.h"
#include "aes_whitebox_tables.h"
#include "dynamic_loader.h"
#include "trace.h"

namespace {

// Handles of the hosted VM, set by initialize_java_app on the thread that created the VM and used
// only there (a JNIEnv* belongs to one thread). The classes are local references made outside any
// native method: such references live until their thread detaches, which this one never does.
JNIEnv* env = nullptr;
jclass java_encrypt_class = nullptr;
jclass java_main_class = nullptr;
jmethodID java_main_method = nullptr;

using CreateJavaVmFunction = jint(JNICALL*)(JavaVM** vm, void** penv, void* args);
using ModeFunction = void (*)(const uint8_t* iv, const uint8_t* input, uint32_t length,
                              uint8_t* output);

void SleepMilliseconds(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// Traces like printf, then pauses 100 ms so that a watcher of the trace can follow start-up. Adds
// no line end.
[[gnu::format(printf, 1, 2)]] void waitlog(const char* format, ...) {
  va_list args;
  va_start(args, format);
  launcher::vtrace(format, args);
  va_end(args);
  SleepMilliseconds(100);
}

// If a Java exception is pending on `jni`, the VM describes it on stderr and it is cleared, so the
// next JNI call is legal; returns whether one was pending.
bool DescribeAndClearPendingException(JNIEnv* jni) {
  if (!jni->ExceptionCheck()) return false;
  jni->ExceptionDescribe();
  jni->ExceptionClear();
  return true;
}

// A new Java byte[] holding `bytes[0..length)` (`bytes` may be null iff length is 0). On failure
// prints an error line and returns null with the VM's OutOfMemoryError left pending, so that it is
// thrown in the calling Java code when the native returns.
jbyteArray ToJavaArray(JNIEnv* jni, const uint8_t* bytes, jsize length) {
  jbyteArray array = jni->NewByteArray(length);
  if (array == nullptr) {
    launcher::trace("    Error - could not create a Java array of %d bytes\n",
                    static_cast<int>(length));
    return nullptr;
  }
  if (length > 0) {
    jni->SetByteArrayRegion(array, 0, length, reinterpret_cast<const jbyte*>(bytes));
  }
  return array;
}

// A direct buffer's capacity, or -1 iff `buffer` is null or not a direct buffer.
jlong DirectCapacity(JNIEnv* jni, jobject buffer) {
  return buffer == nullptr ? -1 : jni->GetDirectBufferCapacity(buffer);
}

// A direct buffer's base address (position ignored), or null iff `buffer` is null or not direct.
// The VM's own lookup is not safe to call with a null reference.
uint8_t* DirectAddress(JNIEnv* jni, jobject buffer) {
  return buffer == nullptr ? nullptr : static_cast<uint8_t*>(jni->GetDirectBufferAddress(buffer));
}

// The first 16 bytes of `iv`, or null after an error line iff `iv` is not a direct buffer of at
// least 16 bytes (the cipher reads exactly 16).
const uint8_t* IvBytes(JNIEnv* jni, jobject iv) {
  const uint8_t* address = DirectAddress(jni, iv);
  if (address == nullptr) {
    launcher::trace("    Error - iv is not a direct buffer\n");
    return nullptr;
  }
  const jlong capacity = jni->GetDirectBufferCapacity(iv);
  if (capacity < 16) {
    launcher::trace("    Error - iv capacity (%d) is less than 16\n", static_cast<int>(capacity));
    return nullptr;
  }
  return address;
}

// Java arrays and the cipher count bytes in 32-bit signed/unsigned integers; a longer buffer
// (possible only for one made by NewDirectByteBuffer) is refused instead of being truncated.
bool FitsJavaArray(jlong capacity) {
  if (capacity <= 0x7fffffff) return true;
  launcher::trace("    Error - data capacity is larger than 2147483647 bytes\n");
  return false;
}

// `mode` applied from `iv` to `input[0..length)`, as a new Java array; null after an error line on
// failure. REQUIRES: length >= 0; `input` holds `length` bytes (may be null iff length is 0).
jbyteArray RunMode(JNIEnv* jni, ModeFunction mode, const uint8_t* iv, const uint8_t* input,
                   int32_t length) {
  // malloc(0) may return null, which would read as a failure: an empty result needs no buffer.
  if (length == 0) return ToJavaArray(jni, nullptr, 0);
  auto* output = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(length)));
  if (output == nullptr) {
    launcher::trace("    Error - could not allocate %d bytes\n", static_cast<int>(length));
    return nullptr;
  }
  mode(iv, input, static_cast<uint32_t>(length), output);
  jbyteArray result = ToJavaArray(jni, output, length);
  std::free(output);
  return result;
}

// The natives. Each may run on any Java thread at once with the others (the cipher is thread-safe
// once loaded) and uses only the JNIEnv* it is called with. The receiver is unused; it is declared
// because on 32-bit Windows a __stdcall callee must pop exactly the arguments the VM pushes.

// CFB-encrypts the whole capacity of direct buffer `data` (position and limit ignored), which must
// be a multiple of 16 bytes, from the first 16 bytes of direct buffer `iv`.
jbyteArray JNICALL encrypt(JNIEnv* jni, jobject /*receiver*/, jobject iv, jobject data) {
  launcher::trace("  encrypt in cpp\n");
  const jlong capacity = DirectCapacity(jni, data);
  if (!FitsJavaArray(capacity)) return nullptr;
  const auto length = static_cast<int32_t>(capacity);
  if (length % 16 != 0) {
    launcher::trace("    Error - plaintext length (%d) is not a multiple of 16\n",
                    static_cast<int>(length));
    return nullptr;
  }
  const uint8_t* iv_bytes = IvBytes(jni, iv);
  if (iv_bytes == nullptr) return nullptr;
  // JNI lets a direct buffer's memory region be undefined: a capacity, but a null address.
  const uint8_t* input = DirectAddress(jni, data);
  if (input == nullptr && length > 0) {
    launcher::trace("    Error - data is not a direct buffer\n");
    return nullptr;
  }
  return RunMode(jni, aes_whitebox_encrypt_cfb, iv_bytes, input, length);
}

// CFB-decrypts the whole capacity of direct buffer `data` (any length) from the first 16 bytes of
// direct buffer `iv`.
jbyteArray JNICALL decrypt(JNIEnv* jni, jobject /*receiver*/, jobject iv, jobject data) {
  const uint8_t* iv_bytes = IvBytes(jni, iv);
  if (iv_bytes == nullptr) return nullptr;
  const uint8_t* input = DirectAddress(jni, data);
  const jlong capacity = DirectCapacity(jni, data);
  if (capacity < 0 || (input == nullptr && capacity > 0)) {
    launcher::trace("    Error - data is not a direct buffer\n");
    return nullptr;
  }
  if (!FitsJavaArray(capacity)) return nullptr;
  return RunMode(jni, aes_whitebox_decrypt_cfb, iv_bytes, input, static_cast<int32_t>(capacity));
}

// The encrypted distribution key compiled into the launcher.
jbyteArray JNICALL getEncryptedDistributionKey(JNIEnv* jni, jobject /*receiver*/) {
  launcher::trace("getting encrypted distribution key in cpp\n");
  uint8_t key[kDistributionKeySize];
  distributionkey(key);
  return ToJavaArray(jni, key, sizeof key);
}

// Registered on the configured class, in this order.
const JNINativeMethod methods[] = {
    {const_cast<char*>("externEncrypt"),
     const_cast<char*>("(Ljava/nio/ByteBuffer;Ljava/nio/ByteBuffer;)[B"),
     reinterpret_cast<void*>(&encrypt)},
    {const_cast<char*>("externDecrypt"),
     const_cast<char*>("(Ljava/nio/ByteBuffer;Ljava/nio/ByteBuffer;)[B"),
     reinterpret_cast<void*>(&decrypt)},
    {const_cast<char*>("externGetEncryptedDistributionKey"), const_cast<char*>("()[B"),
     reinterpret_cast<void*>(&getEncryptedDistributionKey)},
};
static_assert(std::size(methods) == 3);

// Why the JVM library could not be used, on stderr, where it does not change the trace: the
// loader's own reason, which says what the trace cannot (a missing file, a dependency that is not
// found, a library of the other architecture).
void ReportLoaderError(const char* failure, const char* path, const std::string& reason) {
  launcher::trace_error("%s %s: %s\n", failure, path, reason.c_str());
}

// Loads the JVM library at `path`, unchanged, and creates a VM from `options`. Returns the creating
// thread's JNIEnv*, or null iff no VM exists; `*jvm` receives the VM.
JNIEnv* initialize_vm(const char* path, JavaVM** jvm, const char* const* options, int coptions) {
  const int count = coptions > 0 ? coptions : 0;
  std::vector<JavaVMOption> vm_options(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    // The VM only reads the option strings; its structure is merely not declared const.
    vm_options[static_cast<size_t>(i)].optionString = const_cast<char*>(options[i]);
    vm_options[static_cast<size_t>(i)].extraInfo = nullptr;
  }
  JavaVMInitArgs args;
  args.version = JNI_VERSION_1_8;
  args.nOptions = count;
  args.options = vm_options.data();
  args.ignoreUnrecognized = JNI_FALSE;

  waitlog("before options");
  for (int i = 0; i < count; ++i) launcher::trace("option %s\n", options[i]);
  waitlog("after options");

  std::string loader_error;
  void* library = launcher::OpenLibrary(path, &loader_error);
  if (library == nullptr) {
    launcher::trace("Unable to load JVM at %s, exiting\n", path);
    ReportLoaderError("Unable to load JVM at", path, loader_error);
    return nullptr;
  }
  launcher::trace("Loaded JVM from %s\n", path);
  waitlog("after dlopen");

  auto* create_java_vm = reinterpret_cast<CreateJavaVmFunction>(
      launcher::FindSymbol(library, "JNI_CreateJavaVM", &loader_error));
  waitlog("after dlsym");
  if (create_java_vm == nullptr) {
    launcher::trace("Unable to find JNI_CreateJavaVM in %s, exiting\n", path);
    ReportLoaderError("Unable to find JNI_CreateJavaVM in", path, loader_error);
    return nullptr;
  }

  JNIEnv* created_env = nullptr;
  const jint result = create_java_vm(jvm, reinterpret_cast<void**>(&created_env), &args);
  waitlog("after createjavavm");
  if (result >= 0 && created_env != nullptr) {
    launcher::trace("  Launched JVM\n");
  } else {
    launcher::trace("  Unable to Launch JVM %d\n", static_cast<int>(result));
  }
  return created_env;
}

// Registers the natives on `encrypt_class` and runs the static main of `main_class`, then reports
// forever that this thread is alive. Returns only when a class or main cannot be found.
void initialize_java_methods(const char* main_class, const char* encrypt_class) {
  waitlog("before findclass");
  java_encrypt_class = env->FindClass(encrypt_class);
  if (java_encrypt_class == nullptr) {
    DescribeAndClearPendingException(env);
    launcher::trace("Sorry - could not find class %s\n", encrypt_class);
    return;
  }
  waitlog("after findclass");

  // A class lacking some of the natives is reported on stderr only; the application still starts.
  const auto method_count = static_cast<jint>(std::size(methods));
  if (env->RegisterNatives(java_encrypt_class, methods, method_count) != JNI_OK) {
    DescribeAndClearPendingException(env);
  }
  launcher::trace("  RegisterNatives\n");

  java_main_class = env->FindClass(main_class);
  if (java_main_class == nullptr) {
    DescribeAndClearPendingException(env);
    launcher::trace("Sorry - could not find class %s\n", main_class);
    return;
  }
  java_main_method = env->GetStaticMethodID(java_main_class, "main", "([Ljava/lang/String;)V");
  if (java_main_method == nullptr) {
    DescribeAndClearPendingException(env);
    launcher::trace("Sorry - could not find main method in class %s\n", main_class);
    return;
  }
  launcher::trace("  Initialized Main Method\n");

  env->CallStaticVoidMethod(java_main_class, java_main_method, static_cast<jobjectArray>(nullptr));
  DescribeAndClearPendingException(env);
  waitlog("exiting after calling main method");

  // The application lives on in its own threads; this thread only keeps the process alive.
  for (unsigned long counter = 0;; ++counter) {
    waitlog("Main Thread is alive (%lu)\n", counter);
    SleepMilliseconds(1000);
  }
}

}  // namespace

extern "C" int initialize_java_app(const char* jvm_path, const char* const* options, int coptions,
                                   const char* main_class, const char* encrypt_class) {
  launcher::trace("Initializing Java in CPP :  %s\n", jvm_path);
  launcher::trace("Params :  options : %p\n  coptions: %d\n", static_cast<const void*>(options),
                  coptions);
  SleepMilliseconds(1000);

  JavaVM* jvm = nullptr;
  env = initialize_vm(jvm_path, &jvm, options, coptions);
  waitlog("after initializevm");
  if (env == nullptr) {
    launcher::trace("JVM not initialized. exiting!");
    return 1;
  }
  initialize_java_methods(main_class, encrypt_class);
  return 0;
}
