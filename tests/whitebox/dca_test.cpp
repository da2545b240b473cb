// The DCA's own evaluation of the network, and the AES it checks a set against, compute FIPS-197
// AES-256; a set for another key is refused before any attack.
#include "dca.h"

#include <gtest/gtest.h>

#include "seeded_random.h"
#include "table_set.h"

namespace {

TEST(Dca, RecordingEvaluationAndItsAesCheckComputeFips197) {
  // FIPS-197 appendix C.3.
  const auto key =
      *whitebox::ParseKeyHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
  const whitebox::Block plaintext = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                     0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff};
  const whitebox::Block expected = {0x8e, 0xa2, 0xb7, 0xca, 0x51, 0x67, 0x45, 0xbf,
                                    0xea, 0xfc, 0x49, 0x90, 0x4b, 0x49, 0x60, 0x89};
  EXPECT_EQ(whitebox::AesEncrypt(key, plaintext), expected);
  whitebox::SeededRandom random("fips");
  const auto tables = whitebox::BuildTableSet(whitebox::Construction::kHardened, key, random);
  whitebox::Trace trace;
  EXPECT_EQ(whitebox::EncryptRecording(*tables, plaintext, trace), expected);

  whitebox::Key256 other_key = key;
  other_key[31] ^= 1;
  whitebox::SeededRandom blocks("blocks");
  const auto report = whitebox::RunDca(*tables, other_key, 4, blocks);
  EXPECT_FALSE(report.computes_aes);
  EXPECT_TRUE(report.steps.empty());
  EXPECT_FALSE(report.Passed());
}

}  // namespace
