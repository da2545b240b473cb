// Throughput of the stream modes on every evaluation path this processor has, beside the
// straightforward one-block-at-a-time evaluation (tests/support's EvaluateNetwork driving the same
// modes, the reference the tests compare against), on a generated table set.
//
// straightforward/<mode>/<bytes> runs the reference; <path>/<mode>/<bytes> runs the launcher's
// function on that path and reports `x_straightforward`: the reference's time per byte for the
// same mode and length, measured earlier in this process (median of its repetitions), divided by
// its own. Both are this thread's CPU time, which other processes on a shared machine disturb
// less than wall time. The reference entries are registered first, so they run first; filtered out, the
// reference is timed on demand. aes_whitebox_decrypt_ofb and _ctr are the encrypt functions.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "aes_whitebox.h"
#include "aes_whitebox_internal.h"
#include "network_reference.h"
#include "table_set.h"

namespace {

using launcher_cipher::CipherPath;

// This thread's CPU time.
struct Clock {
  using duration = std::chrono::nanoseconds;
  static duration now() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
  }
};

const whitebox::TableSet& Tables() {
  static const auto tables = [] {
    const auto key = whitebox::ParseKeyHex(
        "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    return whitebox::BuildTableSet(whitebox::Construction::kPlain, *key);
  }();
  return *tables;
}

void Load() {
  const whitebox::TableSet& t = Tables();
  initializeCipher(t.xor_tables, t.tyboxes, t.tboxes_last, t.mbl);
}

using ModeFunction = void (*)(const uint8_t*, const uint8_t*, uint32_t, uint8_t*);
using ReferenceFunction = std::vector<uint8_t> (*)(const whitebox::TableSet&,
                                                   const testing_support::Block&,
                                                   const std::vector<uint8_t>&);
struct Mode {
  const char* name;
  ModeFunction function;
  ReferenceFunction reference;
};
const Mode kModes[] = {
    {"encrypt_cfb", aes_whitebox_encrypt_cfb, testing_support::ReferenceCfbEncrypt},
    {"decrypt_cfb", aes_whitebox_decrypt_cfb, testing_support::ReferenceCfbDecrypt},
    {"ofb", aes_whitebox_encrypt_ofb, testing_support::ReferenceOfb},
    {"ctr", aes_whitebox_encrypt_ctr, testing_support::ReferenceCtr},
};
const int64_t kLengths[] = {16, 1024, 65536, 1 << 20};
constexpr testing_support::Block kIv = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

// Reference seconds per byte, every repetition, by (mode, length).
std::map<std::pair<const Mode*, int64_t>, std::vector<double>>& ReferenceSamples() {
  static std::map<std::pair<const Mode*, int64_t>, std::vector<double>> samples;
  return samples;
}

double SecondsPerByte(Clock::duration elapsed, int64_t iterations, int64_t length) {
  return std::chrono::duration<double>(elapsed).count() / static_cast<double>(iterations * length);
}

double TimeReference(const Mode& mode, int64_t length) {
  const std::vector<uint8_t> input(length, 0x5a);
  int64_t iterations = 0;
  const auto start = Clock::now();
  do {
    benchmark::DoNotOptimize(mode.reference(Tables(), kIv, input));
    ++iterations;
  } while (Clock::now() - start < std::chrono::milliseconds(300));
  return SecondsPerByte(Clock::now() - start, iterations, length);
}

double ReferenceSecondsPerByte(const Mode& mode, int64_t length) {
  auto& samples = ReferenceSamples()[{&mode, length}];
  if (samples.empty()) samples.push_back(TimeReference(mode, length));
  std::vector<double> sorted = samples;
  std::sort(sorted.begin(), sorted.end());
  return sorted[sorted.size() / 2];
}

void BM_Straightforward(benchmark::State& state, const Mode* mode) {
  const int64_t length = state.range(0);
  const std::vector<uint8_t> input(length, 0x5a);
  const auto start = Clock::now();
  for (auto _ : state) benchmark::DoNotOptimize(mode->reference(Tables(), kIv, input));
  const auto elapsed = Clock::now() - start;
  ReferenceSamples()[{mode, length}].push_back(
      SecondsPerByte(elapsed, state.iterations(), length));
  state.SetBytesProcessed(state.iterations() * length);
}

void BM_Path(benchmark::State& state, CipherPath path, const Mode* mode) {
  Load();
  if (!launcher_cipher::SetCipherPathForTesting(path)) {
    state.SkipWithError("this processor lacks the path");
    return;
  }
  const int64_t length = state.range(0);
  const std::vector<uint8_t> input(length, 0x5a);
  std::vector<uint8_t> output(length);
  const auto start = Clock::now();
  for (auto _ : state) {
    mode->function(kIv.data(), input.data(), static_cast<uint32_t>(length), output.data());
    benchmark::DoNotOptimize(output.data());
    benchmark::ClobberMemory();
  }
  const double own = SecondsPerByte(Clock::now() - start, state.iterations(), length);
  state.SetBytesProcessed(state.iterations() * length);
  state.counters["x_straightforward"] = ReferenceSecondsPerByte(*mode, length) / own;
}

// The whole of initializeCipher: copying the working tables and building the derived layouts.
void BM_InitializeCipher(benchmark::State& state) {
  const whitebox::TableSet& t = Tables();
  for (auto _ : state) {
    initializeCipher(t.xor_tables, t.tyboxes, t.tboxes_last, t.mbl);
    benchmark::ClobberMemory();
  }
}

void RegisterAll() {
  benchmark::RegisterBenchmark("initializeCipher", BM_InitializeCipher)->Unit(benchmark::kMicrosecond);
  for (const Mode& mode : kModes) {
    auto* b = benchmark::RegisterBenchmark((std::string("straightforward/") + mode.name).c_str(),
                                           BM_Straightforward, &mode);
    for (int64_t length : kLengths) b->Arg(length);
    b->Unit(benchmark::kMicrosecond);
  }
  const std::pair<CipherPath, const char*> paths[] = {{CipherPath::kAvx512Vbmi, "avx512vbmi"},
                                                      {CipherPath::kAvx2, "avx2"},
                                                      {CipherPath::kPortable, "portable"}};
  for (const auto& [path, path_name] : paths) {
    for (const Mode& mode : kModes) {
      auto* b = benchmark::RegisterBenchmark((std::string(path_name) + "/" + mode.name).c_str(),
                                             BM_Path, path, &mode);
      for (int64_t length : kLengths) b->Arg(length);
      b->Unit(benchmark::kMicrosecond);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RegisterAll();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
