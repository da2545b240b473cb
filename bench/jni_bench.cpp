// Cost of one call of the launcher's natives from Java, next to the platform's own AES/CFB on the
// same data. The VM is started exactly as the launcher starts it, through initialize_java_app on a
// second thread; its main (launcherbench.BenchMain) marks itself ready and blocks. This thread then
// attaches to the VM and times static Java methods that each make one call.
//
// Standard output carries the launcher's trace (one line, one write, per encrypt call), so it is
// sent to /dev/null, or to the file LAUNCHER_BENCH_TRACE names, while the benchmarks run; the
// results are printed on the original standard output.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <jni.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ext/stdio_filebuf.h>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "aes_whitebox.h"
#include "dynamic_loader.h"
#include "jni-adapter.h"
#include "table_set.h"

namespace {

constexpr char kMainClass[] = "launcherbench/BenchMain";
constexpr char kNativesClass[] = "launcherbench/BenchNatives";
constexpr int kSizes[] = {0, 16, 1024, 65536};  // 0: the cost of a call alone

using GetCreatedJavaVmsFunction = jint(JNICALL*)(JavaVM** vms, jsize capacity, jsize* count);

// What the start-up thread saw on standard output, shared with the benchmark thread.
struct StartUp {
  std::atomic<bool> vm_created{false};  // the trace got past FindClass: JNI_CreateJavaVM returned
  std::atomic<bool> host_returned{false};  // initialize_java_app returned: no VM or no classes
  std::mutex trace_mutex;
  std::string trace;  // the trace until the VM exists, for error messages; under trace_mutex
};

// Reads the redirected standard output until its write end closes, noting when the VM exists.
void DrainTrace(int fd, StartUp* start_up) {
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    if (!start_up->vm_created) {
      std::lock_guard lock(start_up->trace_mutex);
      start_up->trace.append(buffer, static_cast<size_t>(n));
      if (start_up->trace.find("after findclass") != std::string::npos) start_up->vm_created = true;
    }
  }
  close(fd);
}

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "jni_bench: %s\n", message.c_str());
  std::_Exit(1);
}

struct JavaSide {
  JNIEnv* env;
  jclass main_class;
};

// Waits until BenchMain.main runs (the natives are registered before it is called).
JavaSide AttachWhenReady(const char* jvm_path, StartUp& start_up) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!start_up.vm_created) {
    if (start_up.host_returned) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));  // let the drain catch up
      std::lock_guard lock(start_up.trace_mutex);
      Fail("the VM did not start; trace:\n" + start_up.trace);
    }
    if (std::chrono::steady_clock::now() > deadline) Fail("no VM after 60 s");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  // The library is already loaded by the start-up thread; this only finds it again.
  std::string loader_error;
  void* library = launcher::OpenLibrary(jvm_path, &loader_error);
  auto* get_created = reinterpret_cast<GetCreatedJavaVmsFunction>(
      library ? launcher::FindSymbol(library, "JNI_GetCreatedJavaVMs", &loader_error) : nullptr);
  if (get_created == nullptr) Fail("JNI_GetCreatedJavaVMs not found: " + loader_error);
  JavaVM* vm = nullptr;
  jsize count = 0;
  if (get_created(&vm, 1, &count) != JNI_OK || count != 1) {
    Fail("JNI_GetCreatedJavaVMs found no VM");
  }
  JNIEnv* env = nullptr;
  if (vm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) != JNI_OK) {
    Fail("AttachCurrentThread failed");
  }
  jclass main_class = env->FindClass(kMainClass);
  if (main_class == nullptr) Fail(std::string("cannot find ") + kMainClass);
  jfieldID ready = env->GetStaticFieldID(main_class, "ready", "Z");
  if (ready == nullptr) Fail("BenchMain.ready missing");
  while (!env->GetStaticBooleanField(main_class, ready)) {
    if (std::chrono::steady_clock::now() > deadline) Fail("BenchMain.main did not run in 60 s");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return {env, main_class};
}

// One timed Java method `int name(ByteBuffer iv, ByteBuffer data)` on `size` bytes.
void RegisterCall(const JavaSide& java, const char* label, const char* method, int size) {
  JNIEnv* env = java.env;
  jmethodID id = env->GetStaticMethodID(java.main_class, method,
                                        "(Ljava/nio/ByteBuffer;Ljava/nio/ByteBuffer;)I");
  if (id == nullptr) Fail(std::string("BenchMain.") + method + " missing");
  // Native memory behind the direct buffers lives as long as the process.
  auto* iv_bytes = new uint8_t[16]();
  auto* data_bytes = new uint8_t[static_cast<size_t>(size)]();
  for (int i = 0; i < size; ++i) data_bytes[i] = static_cast<uint8_t>(i * 31);
  jobject iv = env->NewGlobalRef(env->NewDirectByteBuffer(iv_bytes, 16));
  jobject data = env->NewGlobalRef(env->NewDirectByteBuffer(data_bytes, size));
  if (iv == nullptr || data == nullptr) Fail("NewDirectByteBuffer failed");
  jclass main_class = java.main_class;
  benchmark::RegisterBenchmark(
      (std::string(label) + "/" + std::to_string(size)).c_str(), [=](benchmark::State& state) {
        for (auto _ : state) {
          const jint length = env->CallStaticIntMethod(main_class, id, iv, data);
          if (env->ExceptionCheck() || length != size) {
            env->ExceptionDescribe();
            env->ExceptionClear();
            state.SkipWithError("the Java method failed");
            break;
          }
        }
        if (size > 0) state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
      });
}

// The cipher on a plain table set for the benchmark's key, which BenchMain's javax.crypto side
// uses too.
void InitializeCipherForBench() {
  const auto key = whitebox::ParseKeyHex(LAUNCHER_BENCH_KEY);
  const auto tables = whitebox::BuildTableSet(whitebox::Construction::kPlain, *key);
  initializeCipher(tables->xor_tables, tables->tyboxes, tables->tboxes_last, tables->mbl);
}

// Standard output becomes a pipe read by DrainTrace on `drain`; returns a descriptor of the
// original standard output, where the results go.
int RedirectStandardOutputToDrain(StartUp& start_up, std::thread& drain) {
  std::fflush(stdout);
  const int report_fd = dup(STDOUT_FILENO);
  int trace_pipe[2];
  if (report_fd < 0 || pipe(trace_pipe) != 0 || dup2(trace_pipe[1], STDOUT_FILENO) < 0) {
    Fail("cannot redirect standard output");
  }
  close(trace_pipe[1]);
  drain = std::thread(DrainTrace, trace_pipe[0], &start_up);
  return report_fd;
}

// Starts the VM as the launcher does, on a thread of its own that stays in BenchMain.main for the
// life of the process. `start_up` must live as long.
void StartVmHost(const char* jvm_path, StartUp& start_up) {
  static const std::string class_path = std::string("-Djava.class.path=") + LAUNCHER_BENCH_CLASSES;
  static const std::string key_property = std::string("-Dlauncher.test.key=") + LAUNCHER_BENCH_KEY;
  static const char* const options[] = {class_path.c_str(), key_property.c_str()};
  std::thread host([jvm_path, &start_up] {
    initialize_java_app(jvm_path, options, 2, kMainClass, kNativesClass);
    std::fflush(stdout);
    start_up.host_returned = true;
  });
  host.detach();
}

void RegisterBenchmarks(const JavaSide& java) {
  for (const int size : kSizes) {
    RegisterCall(java, "native_encrypt", "nativeEncrypt", size);
    RegisterCall(java, "javax_encrypt", "javaxEncrypt", size);
    RegisterCall(java, "native_decrypt", "nativeDecrypt", size);
    RegisterCall(java, "javax_decrypt", "javaxDecrypt", size);
  }
  jmethodID overhead = java.env->GetStaticMethodID(java.main_class, "callOverhead", "()I");
  if (overhead == nullptr) Fail("BenchMain.callOverhead missing");
  benchmark::RegisterBenchmark("java_static_call_from_cpp", [=](benchmark::State& state) {
    for (auto _ : state) {
      benchmark::DoNotOptimize(java.env->CallStaticIntMethod(java.main_class, overhead));
    }
  });
}

// From here on the trace goes to nowhere, or to the file LAUNCHER_BENCH_TRACE names (to time the
// trace as a redirected log receives it); closing the pipe's last write end ends the drain.
void EndDrain(std::thread& drain) {
  const char* trace_file = std::getenv("LAUNCHER_BENCH_TRACE");
  if (trace_file == nullptr || *trace_file == '\0') trace_file = "/dev/null";
  const int trace_fd = open(trace_file, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (trace_fd < 0 || dup2(trace_fd, STDOUT_FILENO) < 0)
    Fail(std::string("cannot open ") + trace_file);
  close(trace_fd);
  drain.join();
}

// Runs the registered benchmarks, their results written on `report_fd`.
void RunBenchmarks(int report_fd) {
  __gnu_cxx::stdio_filebuf<char> report_buffer(report_fd, std::ios::out);
  std::ostream report(&report_buffer);
  benchmark::ConsoleReporter reporter(isatty(report_fd) ? benchmark::ConsoleReporter::OO_Color
                                                        : benchmark::ConsoleReporter::OO_None);
  reporter.SetOutputStream(&report);
  reporter.SetErrorStream(&std::cerr);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  report.flush();
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const char* jvm_path = std::getenv("LAUNCHER_BENCH_JVM");
  if (jvm_path == nullptr) jvm_path = LAUNCHER_BENCH_LIBJVM;
  InitializeCipherForBench();
  StartUp start_up;
  std::thread drain;
  const int report_fd = RedirectStandardOutputToDrain(start_up, drain);
  StartVmHost(jvm_path, start_up);
  RegisterBenchmarks(AttachWhenReady(jvm_path, start_up));
  EndDrain(drain);
  RunBenchmarks(report_fd);
  // The VM cannot be destroyed while its main thread blocks in BenchMain.main, and running the
  // process's exit handlers under its live threads gains nothing.
  std::_Exit(0);
}
