// The DCA must recover a hardened set's whole key within the trace count docs/whitebox.md states,
// and nothing when its hypothesis or its pairing of traces with inputs is wrong. Each round
// attacked costs 1.5e10 additions: tests/whitebox/CMakeLists.txt runs these in the plain 64-bit
// build only.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "dca.h"
#include "seeded_random.h"
#include "table_set.h"

namespace {

using whitebox::Block;
using whitebox::Trace;

const whitebox::Key256 kKey =
    *whitebox::ParseKeyHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");

// The largest count docs/whitebox.md gives for a hardened set's whole key.
constexpr int kDocumentedTraces = 96;

std::unique_ptr<whitebox::TableSet> Hardened() {
  whitebox::SeededRandom random("dca test set");
  return whitebox::BuildTableSet(whitebox::Construction::kHardened, kKey, random);
}

Block FirstHalf(const whitebox::Key256& key) {
  Block half{};
  std::copy(key.begin(), key.begin() + 16, half.begin());
  return half;
}

struct Recorded {
  std::vector<Block> plaintexts;
  std::vector<Trace> traces;
};

Recorded Record(const whitebox::TableSet& tables, int count) {
  whitebox::SeededRandom random("dca test blocks");
  Recorded recorded{std::vector<Block>(count), std::vector<Trace>(count)};
  for (int i = 0; i < count; ++i) {
    random.Fill(recorded.plaintexts[i].data(), 16);
    whitebox::EncryptRecording(tables, recorded.plaintexts[i], recorded.traces[i]);
  }
  return recorded;
}

TEST(DcaAttack, RecoversTheWholeKeyOfAHardenedSetWithinTheDocumentedTraces) {
  whitebox::SeededRandom blocks("dca test blocks");
  const auto report =
      whitebox::RunDca(*Hardened(), kKey, kDocumentedTraces, blocks, kDocumentedTraces);
  ASSERT_TRUE(report.computes_aes);
  ASSERT_TRUE(report.key_at.has_value());
  EXPECT_LE(*report.key_at, kDocumentedTraces);
  EXPECT_EQ(report.steps.back().best_guess, kKey);
  EXPECT_FALSE(report.Passed());
}

// With a hypothesis that is not the cipher's S-box, or traces paired with the wrong inputs, the
// right key bytes rank first no more often than chance (1 in 256 per byte) would have them.
TEST(DcaAttack, WrongHypothesisOrShuffledTracesRecoverNothing) {
  const auto recorded = Record(*Hardened(), kDocumentedTraces);
  const Block first_half = FirstHalf(kKey);
  ASSERT_EQ(whitebox::CountRankedFirst(whitebox::ScoreGuesses(recorded.traces, recorded.plaintexts,
                                                              0, whitebox::AesSbox()),
                                       first_half),
            16);

  std::mt19937 shuffle(2026);
  whitebox::Sbox permuted = whitebox::AesSbox();
  std::shuffle(permuted.begin(), permuted.end(), shuffle);
  EXPECT_LE(
      whitebox::CountRankedFirst(
          whitebox::ScoreGuesses(recorded.traces, recorded.plaintexts, 0, permuted), first_half),
      1);

  std::vector<Block> shuffled = recorded.plaintexts;
  std::shuffle(shuffled.begin(), shuffled.end(), shuffle);
  EXPECT_LE(
      whitebox::CountRankedFirst(
          whitebox::ScoreGuesses(recorded.traces, shuffled, 0, whitebox::AesSbox()), first_half),
      1);
}

}  // namespace
