// The DCA must recover a hardened set's whole key within the trace count docs/whitebox.md states,
// and nothing when its hypothesis or its pairing of traces with inputs is wrong.
#include "dca.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "table_set.h"

namespace {

using whitebox::Block;
using whitebox::Trace;

const whitebox::Key256 kKey =
    *whitebox::ParseKeyHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");

// The largest count docs/whitebox.md gives for a hardened set's whole key.
constexpr int kDocumentedTraces = 128;

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

TEST(Dca, RecordingEvaluationAndItsAesCheckComputeFips197) {
  // FIPS-197 appendix C.3.
  const auto key =
      *whitebox::ParseKeyHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
  const Block plaintext = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                           0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff};
  const Block expected = {0x8e, 0xa2, 0xb7, 0xca, 0x51, 0x67, 0x45, 0xbf,
                          0xea, 0xfc, 0x49, 0x90, 0x4b, 0x49, 0x60, 0x89};
  EXPECT_EQ(whitebox::AesEncrypt(key, plaintext), expected);
  whitebox::SeededRandom random("fips");
  const auto tables = whitebox::BuildTableSet(whitebox::Construction::kHardened, key, random);
  Trace trace;
  EXPECT_EQ(whitebox::EncryptRecording(*tables, plaintext, trace), expected);
  // A set for another key is refused before any step runs.
  whitebox::SeededRandom blocks("blocks");
  const auto report = whitebox::RunDca(*Hardened(), key, 4, blocks);
  EXPECT_FALSE(report.computes_aes);
  EXPECT_TRUE(report.steps.empty());
}

TEST(Dca, RecoversTheWholeKeyOfAHardenedSetWithinTheDocumentedTraces) {
  whitebox::SeededRandom blocks("dca test blocks");
  const auto report = whitebox::RunDca(*Hardened(), kKey, kDocumentedTraces, blocks);
  ASSERT_TRUE(report.computes_aes);
  ASSERT_TRUE(report.key_at.has_value());
  EXPECT_LE(*report.key_at, kDocumentedTraces);
  EXPECT_EQ(report.steps.back().best_guess, kKey);
  EXPECT_FALSE(report.Passed());
}

// With a hypothesis that is not the cipher's S-box, or traces paired with the wrong inputs, the
// right key bytes rank first no more often than chance (1 in 256 per byte) would have them.
TEST(Dca, WrongHypothesisOrShuffledTracesRecoverNothing) {
  const auto recorded = Record(*Hardened(), kDocumentedTraces);
  const Block first_half = FirstHalf(kKey);
  ASSERT_EQ(whitebox::CountRankedFirst(whitebox::ScoreGuesses(recorded.traces,
                                                              recorded.plaintexts, 0,
                                                              whitebox::AesSbox()),
                                       first_half),
            16);

  std::mt19937 shuffle(2026);
  whitebox::Sbox permuted = whitebox::AesSbox();
  std::shuffle(permuted.begin(), permuted.end(), shuffle);
  EXPECT_LE(whitebox::CountRankedFirst(
                whitebox::ScoreGuesses(recorded.traces, recorded.plaintexts, 0, permuted),
                first_half),
            1);

  std::vector<Block> shuffled = recorded.plaintexts;
  std::shuffle(shuffled.begin(), shuffled.end(), shuffle);
  EXPECT_LE(whitebox::CountRankedFirst(
                whitebox::ScoreGuesses(recorded.traces, shuffled, 0, whitebox::AesSbox()),
                first_half),
            1);
}

}  // namespace
