// A stand-in for a Windows jvm.dll, so that the real launcher.exe can run end to end where no
// Windows Java runtime exists. It lies where the catalogue names the JVM, exports JNI_CreateJavaVM
// as a JVM does, and plays a VM whose "main" calls the launcher's natives the way a JVM's threads
// call them. What it expects (options, class names, cipher answers, how main ends) it reads from
// stand-in-jvm.txt beside it, which the test writes; the launcher never reads that file.
//
// Whatever a JVM would refuse, or an answer that differs from the expected one, is reported on
// standard error and ends the process with status kCheckFailed. Every JNI function the stand-in
// does not implement ends the process with kUnimplementedFunction and names its table entry, so a
// JNI call new to the launcher cannot pass unnoticed.
//
// The file holds one "key value" item per line, byte strings in hexadecimal:
//   encrypt_class HEX, main_class HEX   the classes the VM knows
//   option HEX                          one per expected VM option, in order
//   iv HEX, plaintext HEX, ciphertext HEX   a CFB known answer under the launcher's key
//   distribution_key HEX                the 48 bytes externGetEncryptedDistributionKey must return
//   end exit STATUS | end return        main ends the process (as System.exit) or returns
//   end terminate STATUS                main kills the process (TerminateProcess) after its last
//                                       line: nothing is flushed or run at exit
//   application_lines 1                 main writes a line of its own to standard output before
//                                       each native call, as a Java application's System.out
//                                       does (straight to the process's standard handle)
//   refusals 1                          main also calls the cipher natives on what they must
//                                       refuse: a buffer whose capacity exceeds 2^31-1 bytes, a
//                                       direct buffer whose memory region is undefined (JNI lets
//                                       GetDirectBufferAddress return null for one), and a buffer
//                                       whose result the C runtime cannot allocate
#include <jni.h>
#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "hex.h"
#include "native_call.h"

namespace {

constexpr UINT kCheckFailed = 86;
constexpr UINT kUnimplementedFunction = 87;

[[noreturn]] void VFail(UINT status, const char* format, va_list args) {
  std::fputs("stand-in JVM: ", stderr);
  std::vfprintf(stderr, format, args);
  std::fputc('\n', stderr);
  std::fflush(stderr);
  ExitProcess(status);
}

[[noreturn, gnu::format(printf, 2, 3)]] void Fail(UINT status, const char* format, ...) {
  va_list args;
  va_start(args, format);
  VFail(status, format, args);
}

// Ends the process with kCheckFailed and the message unless `condition` holds.
[[gnu::format(printf, 2, 3)]] void Require(bool condition, const char* format, ...) {
  if (condition) return;
  va_list args;
  va_start(args, format);
  VFail(kCheckFailed, format, args);
}

// ---- What the test expects, read once by JNI_CreateJavaVM.

struct Expectations {
  std::string encrypt_class;
  std::string main_class;
  std::vector<std::string> options;
  std::vector<uint8_t> iv;
  std::vector<uint8_t> plaintext;
  std::vector<uint8_t> ciphertext;
  std::vector<uint8_t> distribution_key;
  bool main_exits = false;       // else main returns
  bool main_terminates = false;  // with main_exits: TerminateProcess instead of ExitProcess
  UINT exit_status = 0;
  bool application_lines = false;
  bool refusals = false;
};
Expectations expected;

std::vector<uint8_t> BytesFromHex(const std::string& key, const std::string& hex) {
  auto bytes = tools_common::ParseHexBytes(hex);
  Require(bytes.has_value(), "stand-in-jvm.txt: %s is not hex digits in pairs", key.c_str());
  return std::move(*bytes);
}

std::string FromHex(const std::string& key, const std::string& hex) {
  const std::vector<uint8_t> bytes = BytesFromHex(key, hex);
  return std::string(bytes.begin(), bytes.end());
}

// The path of `file_name` in the folder of this DLL.
std::wstring PathBesideThisLibrary(const wchar_t* file_name) {
  HMODULE self = nullptr;
  Require(GetModuleHandleExW(
              GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
              reinterpret_cast<LPCWSTR>(&PathBesideThisLibrary), &self),
          "cannot find its own module");
  std::wstring path(MAX_PATH, L'\0');
  const DWORD length = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
  Require(length > 0 && length < path.size(), "cannot read its own file name");
  path.resize(length);
  return path.substr(0, path.find_last_of(L'\\') + 1) + file_name;
}

std::string ReadWholeFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  Require(file != INVALID_HANDLE_VALUE, "cannot open stand-in-jvm.txt beside the library");
  std::string text;
  char chunk[4096];
  DWORD read = 0;
  while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) text.append(chunk, read);
  CloseHandle(file);
  return text;
}

void ReadExpectations() {
  const std::string text = ReadWholeFile(PathBesideThisLibrary(L"stand-in-jvm.txt"));
  bool ended = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    const size_t space = line.find(' ');
    Require(space != std::string::npos, "stand-in-jvm.txt: no value in \"%s\"", line.c_str());
    const std::string key = line.substr(0, space);
    const std::string value = line.substr(space + 1);
    if (key == "encrypt_class") {
      expected.encrypt_class = FromHex(key, value);
    } else if (key == "main_class") {
      expected.main_class = FromHex(key, value);
    } else if (key == "option") {
      expected.options.push_back(FromHex(key, value));
    } else if (key == "iv") {
      expected.iv = BytesFromHex(key, value);
    } else if (key == "plaintext") {
      expected.plaintext = BytesFromHex(key, value);
    } else if (key == "ciphertext") {
      expected.ciphertext = BytesFromHex(key, value);
    } else if (key == "distribution_key") {
      expected.distribution_key = BytesFromHex(key, value);
    } else if (key == "end" && value == "return") {
      ended = true;
    } else if (key == "end" && value.rfind("exit ", 0) == 0) {
      expected.main_exits = true;
      expected.exit_status = static_cast<UINT>(std::stoul(value.substr(5)));
      ended = true;
    } else if (key == "end" && value.rfind("terminate ", 0) == 0) {
      expected.main_exits = expected.main_terminates = true;
      expected.exit_status = static_cast<UINT>(std::stoul(value.substr(10)));
      ended = true;
    } else if (key == "application_lines" && value == "1") {
      expected.application_lines = true;
    } else if (key == "refusals" && value == "1") {
      expected.refusals = true;
    } else {
      Fail(kCheckFailed, "stand-in-jvm.txt: unknown item \"%s\"", line.c_str());
    }
  }
  Require(ended && !expected.encrypt_class.empty() && !expected.main_class.empty() &&
              expected.iv.size() == 16 && expected.plaintext.size() == expected.ciphertext.size() &&
              expected.plaintext.size() > 20,
          "stand-in-jvm.txt is incomplete");
}

// ---- Objects: every reference the VM hands out points at one of these.

enum class Kind { kClass, kDirectBuffer, kByteArray };

struct Object {
  Kind kind;
  std::string class_name;      // kClass
  std::vector<uint8_t> bytes;  // kDirectBuffer (its memory) and kByteArray (its elements)
  // kDirectBuffer: the capacity GetDirectBufferCapacity reports, if not the memory's size, and
  // whether GetDirectBufferAddress reports the memory region as undefined (null).
  jlong reported_capacity = -1;
  bool undefined_region = false;
};

std::mutex objects_mutex;
std::vector<std::unique_ptr<Object>> objects;
std::set<const void*> references;

jobject NewReference(Object object) {
  std::lock_guard<std::mutex> lock(objects_mutex);
  objects.push_back(std::make_unique<Object>(std::move(object)));
  references.insert(objects.back().get());
  return reinterpret_cast<jobject>(objects.back().get());
}

// The object behind `reference`; a null or foreign reference ends the process (a JVM would crash).
Object& Deref(jobject reference, const char* function) {
  std::lock_guard<std::mutex> lock(objects_mutex);
  Require(references.count(reference) == 1,
          "%s was given %p, which is not a reference this VM handed out", function,
          static_cast<void*>(reference));
  return *reinterpret_cast<Object*>(reference);
}

jobject NewDirectBuffer(const uint8_t* bytes, size_t length) {
  return NewReference(Object{Kind::kDirectBuffer, {}, std::vector<uint8_t>(bytes, bytes + length)});
}

// ---- Threads: each thread attached to the VM has its own JNIEnv.

struct ThreadEnv {
  JNIEnv env;  // first, so that a JNIEnv* handed out is also the ThreadEnv's address
  DWORD thread_id = 0;
  const char* pending_exception = nullptr;  // class name of the pending Java exception, if any
};
static_assert(std::is_standard_layout_v<ThreadEnv>);

JNINativeInterface_ jni_functions;
JNIInvokeInterface_ invoke_functions;
JavaVM java_vm;
ThreadEnv initial_env;      // the thread that created the VM
ThreadEnv java_thread_env;  // a thread of the application's own

// `env` as the calling thread's environment; any other JNIEnv* ends the process.
ThreadEnv& CallingThreadEnv(JNIEnv* env, const char* function) {
  Require(env == &initial_env.env || env == &java_thread_env.env,
          "%s was called with %p, which is no JNIEnv of this VM", function,
          static_cast<void*>(env));
  auto& thread_env = *reinterpret_cast<ThreadEnv*>(env);
  Require(thread_env.thread_id == GetCurrentThreadId(),
          "%s was called with the JNIEnv of another thread", function);
  return thread_env;
}

// As CallingThreadEnv, for the functions that JNI forbids while an exception is pending.
ThreadEnv& EnterJni(JNIEnv* env, const char* function) {
  ThreadEnv& thread_env = CallingThreadEnv(env, function);
  Require(thread_env.pending_exception == nullptr, "%s was called with a %s pending", function,
          thread_env.pending_exception);
  return thread_env;
}

// ---- The classes, methods and natives the VM knows.

jclass encrypt_class_reference = nullptr;
jclass main_class_reference = nullptr;
char main_method_identity;  // its address is main's jmethodID
const jmethodID kMainMethod = reinterpret_cast<jmethodID>(&main_method_identity);

// The natives in the order the launcher must register them, with the functions it gave.
struct Native {
  const char* name;
  const char* signature;
  int argument_count;  // pointer-sized arguments: JNIEnv*, the receiver, then Java's
  const void* function;
};
Native natives[] = {
    {"externEncrypt", "(Ljava/nio/ByteBuffer;Ljava/nio/ByteBuffer;)[B", 4, nullptr},
    {"externDecrypt", "(Ljava/nio/ByteBuffer;Ljava/nio/ByteBuffer;)[B", 4, nullptr},
    {"externGetEncryptedDistributionKey", "()[B", 2, nullptr},
};
constexpr int kNativeCount = sizeof natives / sizeof natives[0];
bool natives_registered = false;

void RunMain();

jclass JNICALL FindClass(JNIEnv* env, const char* name) {
  ThreadEnv& thread_env = EnterJni(env, "FindClass");
  Require(name != nullptr, "FindClass was given a null name");
  if (name == expected.encrypt_class) {
    if (encrypt_class_reference == nullptr) {
      encrypt_class_reference = static_cast<jclass>(NewReference(Object{Kind::kClass, name, {}}));
    }
    return encrypt_class_reference;
  }
  if (name == expected.main_class) {
    Require(natives_registered, "main class %s looked up before the natives were registered", name);
    if (main_class_reference == nullptr) {
      main_class_reference = static_cast<jclass>(NewReference(Object{Kind::kClass, name, {}}));
    }
    return main_class_reference;
  }
  thread_env.pending_exception = "java.lang.NoClassDefFoundError";
  return nullptr;
}

jint JNICALL RegisterNatives(JNIEnv* env, jclass clazz, const JNINativeMethod* methods,
                             jint count) {
  EnterJni(env, "RegisterNatives");
  Require(Deref(clazz, "RegisterNatives").class_name == expected.encrypt_class,
          "RegisterNatives on a class other than the encrypt class");
  Require(!natives_registered, "RegisterNatives called twice");
  Require(count == kNativeCount && methods != nullptr, "RegisterNatives with %ld methods, not %d",
          static_cast<long>(count), kNativeCount);
  for (int i = 0; i < kNativeCount; ++i) {
    Require(std::strcmp(methods[i].name, natives[i].name) == 0 &&
                std::strcmp(methods[i].signature, natives[i].signature) == 0,
            "native %d is %s%s, expected %s%s", i, methods[i].name, methods[i].signature,
            natives[i].name, natives[i].signature);
    Require(methods[i].fnPtr != nullptr, "native %s has no function", natives[i].name);
    natives[i].function = methods[i].fnPtr;
  }
  natives_registered = true;
  return JNI_OK;
}

jmethodID JNICALL GetStaticMethodID(JNIEnv* env, jclass clazz, const char* name,
                                    const char* signature) {
  ThreadEnv& thread_env = EnterJni(env, "GetStaticMethodID");
  Require(Deref(clazz, "GetStaticMethodID").kind == Kind::kClass,
          "GetStaticMethodID on a reference that is not a class");
  if (clazz == main_class_reference && std::strcmp(name, "main") == 0 &&
      std::strcmp(signature, "([Ljava/lang/String;)V") == 0) {
    return kMainMethod;
  }
  thread_env.pending_exception = "java.lang.NoSuchMethodError";
  return nullptr;
}

void JNICALL CallStaticVoidMethodV(JNIEnv* env, jclass clazz, jmethodID method, va_list args) {
  EnterJni(env, "CallStaticVoidMethodV");
  Require(env == &initial_env.env, "main was called on a thread other than the VM's creator");
  Require(clazz == main_class_reference && method == kMainMethod,
          "CallStaticVoidMethod on something other than the main class's main");
  Require(va_arg(args, jobject) == nullptr, "main was given an argument array; expected null");
  RunMain();
}

jboolean JNICALL ExceptionCheck(JNIEnv* env) {
  return CallingThreadEnv(env, "ExceptionCheck").pending_exception != nullptr ? JNI_TRUE
                                                                              : JNI_FALSE;
}

// Describes and, as JNI specifies, clears the pending exception.
void JNICALL ExceptionDescribe(JNIEnv* env) {
  ThreadEnv& thread_env = CallingThreadEnv(env, "ExceptionDescribe");
  if (thread_env.pending_exception == nullptr) return;
  std::fprintf(stderr, "%s\n", thread_env.pending_exception);
  thread_env.pending_exception = nullptr;
}

void JNICALL ExceptionClear(JNIEnv* env) {
  CallingThreadEnv(env, "ExceptionClear").pending_exception = nullptr;
}

void* JNICALL GetDirectBufferAddress(JNIEnv* env, jobject buffer) {
  EnterJni(env, "GetDirectBufferAddress");
  Object& object = Deref(buffer, "GetDirectBufferAddress");
  return object.kind == Kind::kDirectBuffer && !object.undefined_region ? object.bytes.data()
                                                                        : nullptr;
}

jlong JNICALL GetDirectBufferCapacity(JNIEnv* env, jobject buffer) {
  EnterJni(env, "GetDirectBufferCapacity");
  Object& object = Deref(buffer, "GetDirectBufferCapacity");
  if (object.kind != Kind::kDirectBuffer) return -1;
  return object.reported_capacity >= 0 ? object.reported_capacity
                                       : static_cast<jlong>(object.bytes.size());
}

jbyteArray JNICALL NewByteArray(JNIEnv* env, jsize length) {
  EnterJni(env, "NewByteArray");
  Require(length >= 0, "NewByteArray(%ld)", static_cast<long>(length));
  return static_cast<jbyteArray>(
      NewReference(Object{Kind::kByteArray, {}, std::vector<uint8_t>(length)}));
}

void JNICALL SetByteArrayRegion(JNIEnv* env, jbyteArray array, jsize start, jsize length,
                                const jbyte* bytes) {
  EnterJni(env, "SetByteArrayRegion");
  Object& object = Deref(array, "SetByteArrayRegion");
  Require(object.kind == Kind::kByteArray, "SetByteArrayRegion on a reference that is no array");
  Require(start >= 0 && length >= 0 && static_cast<size_t>(start) + length <= object.bytes.size(),
          "SetByteArrayRegion(%ld, %ld) outside an array of %d", static_cast<long>(start),
          static_cast<long>(length), static_cast<int>(object.bytes.size()));
  Require(length == 0 || bytes != nullptr, "SetByteArrayRegion from null");
  std::memcpy(object.bytes.data() + start, bytes, static_cast<size_t>(length));
}

// ---- Every other entry of the function tables.

template <size_t kEntry>
void JNICALL UnimplementedJniFunction() {
  Fail(kUnimplementedFunction,
       "the launcher called entry %u of the JNI function table, which this stand-in does not "
       "implement",
       static_cast<unsigned>(kEntry));
}

template <size_t kEntry>
void JNICALL UnimplementedInvokeFunction() {
  Fail(kUnimplementedFunction,
       "the launcher called entry %u of the JavaVM function table, which this stand-in does not "
       "implement",
       static_cast<unsigned>(kEntry));
}

using AnyFunction = void(JNICALL*)();

template <size_t... kEntries>
void FillUnimplemented(JNINativeInterface_& table, std::index_sequence<kEntries...>) {
  const AnyFunction entries[] = {&UnimplementedJniFunction<kEntries>...};
  static_assert(sizeof entries == sizeof table);
  std::memcpy(&table, entries, sizeof table);
}

template <size_t... kEntries>
void FillUnimplemented(JNIInvokeInterface_& table, std::index_sequence<kEntries...>) {
  const AnyFunction entries[] = {&UnimplementedInvokeFunction<kEntries>...};
  static_assert(sizeof entries == sizeof table);
  std::memcpy(&table, entries, sizeof table);
}

void BuildFunctionTables() {
  FillUnimplemented(jni_functions,
                    std::make_index_sequence<sizeof(JNINativeInterface_) / sizeof(void*)>());
  jni_functions.reserved0 = jni_functions.reserved1 = nullptr;
  jni_functions.reserved2 = jni_functions.reserved3 = nullptr;
  jni_functions.FindClass = &FindClass;
  jni_functions.RegisterNatives = &RegisterNatives;
  jni_functions.GetStaticMethodID = &GetStaticMethodID;
  jni_functions.CallStaticVoidMethodV = &CallStaticVoidMethodV;
  jni_functions.ExceptionCheck = &ExceptionCheck;
  jni_functions.ExceptionDescribe = &ExceptionDescribe;
  jni_functions.ExceptionClear = &ExceptionClear;
  jni_functions.GetDirectBufferAddress = &GetDirectBufferAddress;
  jni_functions.GetDirectBufferCapacity = &GetDirectBufferCapacity;
  jni_functions.NewByteArray = &NewByteArray;
  jni_functions.SetByteArrayRegion = &SetByteArrayRegion;

  FillUnimplemented(invoke_functions,
                    std::make_index_sequence<sizeof(JNIInvokeInterface_) / sizeof(void*)>());
  invoke_functions.reserved0 = invoke_functions.reserved1 = invoke_functions.reserved2 = nullptr;
  java_vm.functions = &invoke_functions;
  initial_env.env.functions = &jni_functions;
  java_thread_env.env.functions = &jni_functions;
}

// ---- What "main" does: call the natives as the application's threads would.

// A line of the application's own on standard output, written as a Java runtime writes
// System.out: unbuffered, on the process's standard handle.
void WriteApplicationLine(const std::string& text) {
  if (!expected.application_lines) return;
  const std::string line = "application: " + text + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written,
            nullptr);
}

// Calls native `index` with the thread's JNIEnv*, the receiving class and `java_arguments`, the
// stack pointer at `misalignment` mod 16, and checks that the stack pointer came back balanced and
// that no exception is left pending.
jobject CallNativeOn(ThreadEnv& thread_env, int index, int misalignment,
                     std::initializer_list<jobject> java_arguments) {
  const Native& native = natives[index];
  std::vector<const void*> arguments = {&thread_env.env, encrypt_class_reference};
  arguments.insert(arguments.end(), java_arguments.begin(), java_arguments.end());
  Require(static_cast<int>(arguments.size()) == native.argument_count, "%s: wrong test call",
          native.name);
  WriteApplicationLine(std::string("calling ") + native.name);
  const stand_in::NativeCallResult result =
      stand_in::CallNative(native.function, arguments.data(), native.argument_count, misalignment);
  Require(result.stack_pointer_error == 0,
          "%s returned with the stack pointer %ld bytes off where a __stdcall function of %d "
          "arguments leaves it (negative: it popped too few)",
          native.name, static_cast<long>(result.stack_pointer_error), native.argument_count);
  Require(thread_env.pending_exception == nullptr, "%s returned with a %s pending", native.name,
          thread_env.pending_exception);
  return static_cast<jobject>(result.value);
}

void RequireArray(jobject result, const uint8_t* expected_bytes, size_t length, const char* call) {
  Require(result != nullptr, "%s returned null, expected %d bytes", call, static_cast<int>(length));
  const Object& array = Deref(result, call);
  Require(array.kind == Kind::kByteArray, "%s returned something other than a byte[]", call);
  Require(array.bytes.size() == length, "%s returned %d bytes, expected %d", call,
          static_cast<int>(array.bytes.size()), static_cast<int>(length));
  for (size_t i = 0; i < length; ++i) {
    Require(array.bytes[i] == expected_bytes[i], "%s differs from the expected answer at byte %d",
            call, static_cast<int>(i));
  }
}

void RequireUnchanged(jobject buffer, const uint8_t* original, const char* what) {
  const Object& object = Deref(buffer, what);
  Require(std::memcmp(object.bytes.data(), original, object.bytes.size()) == 0,
          "a native wrote into the %s buffer", what);
}

// The three natives, each on fresh direct buffers: CFB encryption of the whole blocks of the
// plaintext, CFB decryption of the whole ciphertext (long enough for the batch evaluation, and
// ending in a partial block), a 20-byte encryption that must be refused, and the key.
void CallTheNatives(ThreadEnv& thread_env, int misalignment) {
  const size_t whole_blocks = expected.plaintext.size() / 16 * 16;
  jobject iv = NewDirectBuffer(expected.iv.data(), expected.iv.size());
  jobject plaintext = NewDirectBuffer(expected.plaintext.data(), whole_blocks);
  jobject ciphertext = NewDirectBuffer(expected.ciphertext.data(), expected.ciphertext.size());
  jobject twenty_bytes = NewDirectBuffer(expected.plaintext.data(), 20);

  RequireArray(CallNativeOn(thread_env, 0, misalignment, {iv, plaintext}),
               expected.ciphertext.data(), whole_blocks, "externEncrypt");
  RequireArray(CallNativeOn(thread_env, 1, misalignment, {iv, ciphertext}),
               expected.plaintext.data(), expected.plaintext.size(), "externDecrypt");
  Require(CallNativeOn(thread_env, 0, misalignment, {iv, twenty_bytes}) == nullptr,
          "externEncrypt of 20 bytes returned an array, expected null");
  RequireArray(CallNativeOn(thread_env, 2, misalignment, {}), expected.distribution_key.data(),
               expected.distribution_key.size(), "externGetEncryptedDistributionKey");

  RequireUnchanged(iv, expected.iv.data(), "iv");
  RequireUnchanged(plaintext, expected.plaintext.data(), "plaintext");
  RequireUnchanged(ciphertext, expected.ciphertext.data(), "ciphertext");
}

// ---- The C runtime's malloc as the launcher calls it, made to fail on demand.

using MallocFunction = void*(__cdecl*)(size_t);
MallocFunction runtime_malloc = nullptr;
size_t failing_allocation_size = 0;  // 0: none fails
int failed_allocations = 0;

void* __cdecl MallocThatFailsOnDemand(size_t size) {
  if (failing_allocation_size != 0 && size == failing_allocation_size) {
    ++failed_allocations;
    return nullptr;
  }
  return runtime_malloc(size);
}

// The executable's import address table slot of `function` (a DLL's export, imported by name),
// through which all of its calls of that function go; null iff it imports no such function.
void** ExecutableImportSlot(const char* function) {
  auto* const base = reinterpret_cast<uint8_t*>(GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return nullptr;
  for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       dll->Name != 0; ++dll) {
    if (dll->OriginalFirstThunk == 0) continue;  // no names to match
    auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
    auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
    for (; name->u1.AddressOfData != 0; ++name, ++slot) {
      if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
      const auto* by_name =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(by_name->Name), function) == 0) {
        return reinterpret_cast<void**>(&slot->u1.Function);
      }
    }
  }
  return nullptr;
}

// Routes the launcher's calls of malloc through MallocThatFailsOnDemand.
void InterceptLauncherMalloc() {
  void** slot = ExecutableImportSlot("malloc");
  Require(slot != nullptr, "the launcher imports no malloc to make fail");
  DWORD protection = 0;
  Require(VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection),
          "cannot make the launcher's import of malloc writable");
  runtime_malloc = reinterpret_cast<MallocFunction>(*slot);
  *slot = reinterpret_cast<void*>(&MallocThatFailsOnDemand);
  VirtualProtect(slot, sizeof *slot, protection, &protection);
}

// Calls cipher native `index` on `data`, which it must refuse: null, and no exception pending.
void RequireRefused(ThreadEnv& thread_env, int index, jobject iv, jobject data, const char* what) {
  Require(CallNativeOn(thread_env, index, 0, {iv, data}) == nullptr,
          "%s of %s returned an array, expected null", natives[index].name, what);
}

// Each cipher native on what it must refuse (it prints the refusal's line): a capacity past what a
// Java array holds, a direct buffer without a defined memory region, and a result the C runtime
// has no memory for (malloc fails for exactly that many bytes, once).
void CallTheNativesOnWhatTheyRefuse(ThreadEnv& thread_env) {
  Require(expected.ciphertext.size() >= 4113, "stand-in-jvm.txt: the ciphertext is too short");
  jobject iv = NewDirectBuffer(expected.iv.data(), expected.iv.size());
  jobject too_large = NewDirectBuffer(expected.plaintext.data(), 16);
  Deref(too_large, "the test").reported_capacity = jlong{1} << 31;
  jobject undefined = NewDirectBuffer(expected.plaintext.data(), 32);
  Deref(undefined, "the test").undefined_region = true;
  for (int index : {0, 1}) RequireRefused(thread_env, index, iv, too_large, "2^31 bytes");
  for (int index : {0, 1}) RequireRefused(thread_env, index, iv, undefined, "an undefined region");

  InterceptLauncherMalloc();
  for (int index : {0, 1}) {
    const size_t size = index == 0 ? 4112 : 4113;  // encryption takes whole blocks only
    jobject data = NewDirectBuffer(expected.ciphertext.data(), size);
    failing_allocation_size = size;
    failed_allocations = 0;
    RequireRefused(thread_env, index, iv, data, "a result malloc cannot allocate");
    failing_allocation_size = 0;
    Require(failed_allocations == 1, "%s asked malloc for %d bytes %d times, expected once",
            natives[index].name, static_cast<int>(size), failed_allocations);
  }
}

// Java threads may enter with the stack aligned to 4 bytes only: realign the stand-in's own frame.
[[gnu::force_align_arg_pointer]] DWORD WINAPI JavaThreadMain(void*) {
  java_thread_env.thread_id = GetCurrentThreadId();
  CallTheNatives(java_thread_env, 0);
  CallTheNatives(java_thread_env, 4);
  return 0;
}

// CallNative must itself place the stack pointer as asked and see an unbalanced callee, or the
// checks above could not fail.
void CheckTheStackChecks() {
  if (!stand_in::NativeCallChecksTheStack()) return;
  const void* const arguments[] = {nullptr, nullptr};
  for (int misalignment : {0, 4, 8, 12}) {
    const auto probe =
        stand_in::CallNative(stand_in::StackPointerProbe(), arguments, 2, misalignment);
    // At entry the return address lies on top of where the stack pointer was at the call.
    const auto at_call = reinterpret_cast<uintptr_t>(probe.value) + 4;
    Require(probe.stack_pointer_error == 0 && at_call % 16 == static_cast<uintptr_t>(misalignment),
            "the call thunk placed the stack pointer at %d mod 16 (error %ld), not %d",
            static_cast<int>(at_call % 16), static_cast<long>(probe.stack_pointer_error),
            misalignment);
  }
  const auto unbalanced = stand_in::CallNative(stand_in::UnbalancedProbe(), arguments, 2, 0);
  Require(unbalanced.stack_pointer_error == -4,
          "the call thunk saw %ld bytes of imbalance in a callee that pops 4 bytes too few",
          static_cast<long>(unbalanced.stack_pointer_error));
}

void RunMain() {
  CheckTheStackChecks();
  CallTheNatives(initial_env, 0);
  CallTheNatives(initial_env, 4);
  HANDLE thread = CreateThread(nullptr, 0, &JavaThreadMain, nullptr, 0, nullptr);
  Require(thread != nullptr, "cannot create a thread");
  Require(WaitForSingleObject(thread, INFINITE) == WAIT_OBJECT_0, "cannot wait for its thread");
  CloseHandle(thread);
  if (expected.refusals) CallTheNativesOnWhatTheyRefuse(initial_env);
  if (expected.main_terminates) {
    WriteApplicationLine("terminating the process");
    TerminateProcess(GetCurrentProcess(), expected.exit_status);
  }
  if (expected.main_exits) ExitProcess(expected.exit_status);
}

}  // namespace

// Exported as JNI_CreateJavaVM, undecorated, by the module definition file, as a Windows JVM
// exports it; the name of its own keeps jni.h's import declaration from applying to it.
extern "C" jint JNICALL stand_in_create_java_vm(JavaVM** vm, void** env, void* args) {
  static bool created = false;
  Require(!created, "JNI_CreateJavaVM called twice");
  created = true;
  ReadExpectations();
  Require(vm != nullptr && env != nullptr && args != nullptr, "JNI_CreateJavaVM given null");
  const auto& init = *static_cast<const JavaVMInitArgs*>(args);
  Require(init.version == JNI_VERSION_1_8, "version 0x%08lx, expected 0x00010008",
          static_cast<unsigned long>(init.version));
  Require(init.nOptions == static_cast<jint>(expected.options.size()), "%ld options, expected %d",
          static_cast<long>(init.nOptions), static_cast<int>(expected.options.size()));
  for (size_t i = 0; i < expected.options.size(); ++i) {
    const JavaVMOption& option = init.options[i];
    Require(option.optionString != nullptr && option.optionString == expected.options[i],
            "option %d is \"%s\", expected \"%s\"", static_cast<int>(i),
            option.optionString ? option.optionString : "(null)", expected.options[i].c_str());
    Require(option.extraInfo == nullptr, "option %d has extraInfo", static_cast<int>(i));
  }
  Require(init.ignoreUnrecognized == JNI_FALSE, "ignoreUnrecognized is %d, expected false",
          static_cast<int>(init.ignoreUnrecognized));

  BuildFunctionTables();
  initial_env.thread_id = GetCurrentThreadId();
  *vm = &java_vm;
  *env = &initial_env.env;
  return JNI_OK;
}
static_assert(std::is_same_v<decltype(&stand_in_create_java_vm), decltype(&JNI_CreateJavaVM)>);
