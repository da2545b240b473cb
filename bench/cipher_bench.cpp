// Throughput of the block transform and the six stream modes on a generated table set.
#include <benchmark/benchmark.h>

#include <vector>

#include "aes_whitebox.h"
#include "table_set.h"

namespace {

void LoadTables() {
  static const bool loaded = [] {
    const auto key = whitebox::ParseKeyHex(
        "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    const auto tables = whitebox::BuildTableSet(whitebox::Construction::kPlain, *key);
    initializeCipher(tables->xor_tables, tables->tyboxes, tables->tboxes_last, tables->mbl);
    return true;
  }();
  benchmark::DoNotOptimize(loaded);
}

template <void (*Mode)(const uint8_t*, const uint8_t*, uint32_t, uint8_t*)>
void BM_Mode(benchmark::State& state) {
  LoadTables();
  const auto length = static_cast<uint32_t>(state.range(0));
  std::vector<uint8_t> input(length, 0x5a);
  std::vector<uint8_t> output(length);
  const uint8_t iv[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  for (auto _ : state) {
    Mode(iv, input.data(), length, output.data());
    benchmark::DoNotOptimize(output.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * length);
}

// The block transform alone: one OFB block is exactly one transform.
void BM_BlockTransform(benchmark::State& state) { BM_Mode<aes_whitebox_encrypt_ofb>(state); }

}  // namespace

BENCHMARK(BM_BlockTransform)->Arg(16);
BENCHMARK(BM_Mode<aes_whitebox_encrypt_cfb>)->Name("encrypt_cfb")->Arg(16)->Arg(1024)->Arg(65536);
BENCHMARK(BM_Mode<aes_whitebox_decrypt_cfb>)->Name("decrypt_cfb")->Arg(16)->Arg(1024)->Arg(65536);
BENCHMARK(BM_Mode<aes_whitebox_encrypt_ofb>)->Name("encrypt_ofb")->Arg(16)->Arg(1024)->Arg(65536);
BENCHMARK(BM_Mode<aes_whitebox_decrypt_ofb>)->Name("decrypt_ofb")->Arg(16)->Arg(1024)->Arg(65536);
BENCHMARK(BM_Mode<aes_whitebox_encrypt_ctr>)->Name("encrypt_ctr")->Arg(16)->Arg(1024)->Arg(65536);
BENCHMARK(BM_Mode<aes_whitebox_decrypt_ctr>)->Name("decrypt_ctr")->Arg(16)->Arg(1024)->Arg(65536);

BENCHMARK_MAIN();
