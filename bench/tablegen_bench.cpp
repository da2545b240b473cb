// Time to build a table set: the hardened construction from a seed and from the operating system's
// generator, the plain one for comparison, and the audit of a finished set.
#include <benchmark/benchmark.h>

#include "audit.h"
#include "seeded_random.h"
#include "table_set.h"

namespace {

const whitebox::Key256 kKey =
    *whitebox::ParseKeyHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");

void BM_HardenedSeeded(benchmark::State& state) {
  for (auto _ : state) {
    whitebox::SeededRandom random("benchmark seed");
    auto tables = whitebox::BuildTableSet(whitebox::Construction::kHardened, kKey, random);
    benchmark::DoNotOptimize(tables.get());
  }
}

void BM_HardenedSystemRandom(benchmark::State& state) {
  for (auto _ : state) {
    auto tables = whitebox::BuildTableSet(whitebox::Construction::kHardened, kKey);
    benchmark::DoNotOptimize(tables.get());
  }
}

void BM_Plain(benchmark::State& state) {
  for (auto _ : state) {
    auto tables = whitebox::BuildTableSet(whitebox::Construction::kPlain, kKey);
    benchmark::DoNotOptimize(tables.get());
  }
}

template <whitebox::Construction kConstruction>
void BM_Audit(benchmark::State& state) {
  whitebox::SeededRandom random("benchmark seed");
  const auto tables = whitebox::BuildTableSet(kConstruction, kKey, random);
  for (auto _ : state) {
    auto report = whitebox::AuditTableSet(*tables);
    benchmark::DoNotOptimize(report.tyboxes.data());
  }
}

}  // namespace

BENCHMARK(BM_HardenedSeeded)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HardenedSystemRandom)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Plain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Audit<whitebox::Construction::kHardened>)
    ->Name("Audit/hardened")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Audit<whitebox::Construction::kPlain>)
    ->Name("Audit/plain")
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
