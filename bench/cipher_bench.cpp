// Throughput of the stream modes on every evaluation path this processor has, beside the
// straightforward one-block-at-a-time evaluation (tests/support's EvaluateNetwork driving the same
// modes, the reference the tests compare against), on a generated table set.
//
// straightforward/<mode>/<bytes> runs the reference alone; <path>/<mode>/<bytes> runs the
// launcher's function on that path and reports `x_straightforward`: the reference's time per byte
// for the same mode and length, timed in slices interleaved with the path's own run, divided by
// the path's. Both are this thread's CPU time, which other processes on a shared machine disturb
// less than wall time. aes_whitebox_decrypt_ofb and _ctr are the encrypt functions.
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
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
    const auto key =
        whitebox::ParseKeyHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    return whitebox::BuildTableSet(whitebox::Construction::kPlain, *key);
  }();
  return *tables;
}

void Load() {
  const whitebox::TableSet& t = Tables();
  initializeCipher(t.xor_tables, t.tyboxes, t.tboxes_last, t.mbl);
}

using testing_support::Mode;
const Mode kModes[] = {
    {"encrypt_cfb", aes_whitebox_encrypt_cfb, testing_support::ReferenceCfbEncrypt},
    {"decrypt_cfb", aes_whitebox_decrypt_cfb, testing_support::ReferenceCfbDecrypt},
    {"ofb", aes_whitebox_encrypt_ofb, testing_support::ReferenceOfb},
    {"ctr", aes_whitebox_encrypt_ctr, testing_support::ReferenceCtr},
};
const int64_t kLengths[] = {16, 1024, 65536, 1 << 20};
constexpr testing_support::Block kIv = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Runs the reference for at least `at_least` (and once at any rate); returns seconds and bytes.
std::pair<double, double> ReferenceSlice(const Mode& mode, const std::vector<uint8_t>& input,
                                         Clock::duration at_least) {
  const auto start = Clock::now();
  double bytes = 0;
  do {
    benchmark::DoNotOptimize(mode.reference(Tables(), kIv, input));
    bytes += static_cast<double>(input.size());
  } while (Clock::now() - start < at_least);
  return {Seconds(Clock::now() - start), bytes};
}

void BM_Straightforward(benchmark::State& state, const Mode* mode) {
  const int64_t length = state.range(0);
  const std::vector<uint8_t> input(length, 0x5a);
  for (auto _ : state) benchmark::DoNotOptimize(mode->reference(Tables(), kIv, input));
  state.SetBytesProcessed(state.iterations() * length);
}

// The reference runs in slices between stretches of the path under test (outside the timed
// region), so that both see the same load from whatever else shares the machine.
void BM_Path(benchmark::State& state, CipherPath path, const Mode* mode) {
  Load();
  if (!launcher_cipher::SetCipherPathForTesting(path)) {
    state.SkipWithError("this processor lacks the path");
    return;
  }
  const int64_t length = state.range(0);
  const std::vector<uint8_t> input(length, 0x5a);
  std::vector<uint8_t> output(length);
  const int64_t check_every = std::max<int64_t>(1, 4096 / length);
  const Clock::duration stretch = std::chrono::milliseconds(100);
  const Clock::duration slice = std::chrono::milliseconds(10);
  double reference_seconds = 0;
  double reference_bytes = 0;
  auto add_slice = [&] {
    const auto [seconds, bytes] = ReferenceSlice(*mode, input, slice);
    reference_seconds += seconds;
    reference_bytes += bytes;
  };
  add_slice();
  Clock::duration own{0};
  Clock::duration since_slice{0};
  int64_t count = 0;
  auto start = Clock::now();
  for (auto _ : state) {
    mode->function(kIv.data(), input.data(), static_cast<uint32_t>(length), output.data());
    benchmark::DoNotOptimize(output.data());
    benchmark::ClobberMemory();
    if (++count % check_every == 0) {
      const auto now = Clock::now();
      own += now - start;
      since_slice += now - start;
      if (since_slice >= stretch) {
        state.PauseTiming();
        add_slice();
        since_slice = Clock::duration{0};
        state.ResumeTiming();
      }
      start = Clock::now();
    }
  }
  own += Clock::now() - start;
  add_slice();
  state.SetBytesProcessed(state.iterations() * length);
  const double own_per_byte = Seconds(own) / static_cast<double>(state.iterations() * length);
  state.counters["x_straightforward"] = reference_seconds / reference_bytes / own_per_byte;
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
  benchmark::RegisterBenchmark("initializeCipher", BM_InitializeCipher)
      ->Unit(benchmark::kMicrosecond);
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
