// Hardened table sets must compute standard AES-256 through the launcher's unchanged transform and
// modes, whatever the seed, while the tables themselves differ from seed to seed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "aes_whitebox.h"
#include "network_reference.h"
#include "openssl_primitives.h"
#include "seeded_random.h"
#include "sp800_38a_vectors.h"
#include "table_set.h"

namespace {

using testing_support::Block;
using testing_support::Hex;
using whitebox::Construction;

using testing_support::RunMode;

std::unique_ptr<whitebox::TableSet> Hardened(const char* key_hex, const std::string& seed) {
  whitebox::SeededRandom random(seed);
  return whitebox::BuildTableSet(Construction::kHardened, *whitebox::ParseKeyHex(key_hex), random);
}

constexpr const char* kFipsKey = "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f";
constexpr const char* kSp800Key = testing_support::kSp800_38aKey;

TEST(HardenedKnownAnswer, Fips197AppendixC3ForSeveralSeeds) {
  const auto plaintext = Hex("00112233445566778899aabbccddeeff");
  for (const char* seed : {"0", "1", "fips"}) {
    testing_support::LoadIntoCipher(*Hardened(kFipsKey, seed));
    // The first OFB keystream block is the block transform of the initial vector.
    EXPECT_EQ(RunMode(aes_whitebox_encrypt_ofb, plaintext, std::vector<uint8_t>(16, 0)),
              Hex("8ea2b7ca516745bfeafc49904b496089"))
        << "seed " << seed;
  }
}

// NIST SP 800-38A, appendix F, AES-256 examples, in every mode they cover.
TEST(HardenedKnownAnswer, Sp800_38aCfbOfbCtrForSeveralSeeds) {
  for (const char* seed : {"sp800-38a", "another seed"}) {
    SCOPED_TRACE(seed);
    testing_support::LoadIntoCipher(*Hardened(kSp800Key, seed));
    for (const auto* vector : testing_support::kSp800_38aVectors) {
      testing_support::ExpectSp800_38aVector(*vector);
    }
  }
}

// Random keys against the reference AES on random blocks; the first set draws from the operating
// system, the others from seeds.
TEST(HardenedKnownAnswer, RandomKeysMatchReferenceAes) {
  std::mt19937_64 rng(11);
  for (int set = 0; set < 3; ++set) {
    whitebox::Key256 key;
    for (auto& b : key) b = static_cast<uint8_t>(rng());
    std::unique_ptr<whitebox::TableSet> tables;
    if (set == 0) {
      tables = whitebox::BuildTableSet(Construction::kHardened, key);
    } else {
      // A seed built with snprintf: GCC 12 misreports "literal" + std::to_string as an
      // overlapping copy (-Wrestrict) in 32-bit builds.
      char seed[32];
      std::snprintf(seed, sizeof seed, "random key %d", set);
      whitebox::SeededRandom random(seed);
      tables = whitebox::BuildTableSet(Construction::kHardened, key, random);
    }
    for (int i = 0; i < 16; ++i) {
      Block block;
      for (auto& b : block) b = static_cast<uint8_t>(rng());
      EXPECT_EQ(testing_support::EvaluateNetwork(*tables, block),
                whitebox::EncryptBlock(key, block))
          << "set " << set;
    }
  }
}

template <typename Table>
bool SameTable(const Table& a, const Table& b) {
  return std::memcmp(&a, &b, sizeof(Table)) == 0;
}

TEST(HardenedSeeds, DifferentSeedsGiveDifferentTablesAndTheSameCipher) {
  const auto a = Hardened(kSp800Key, "first");
  const auto b = Hardened(kSp800Key, "second");
  // Not one table of any kind may coincide between the two sets.
  int same = 0;
  for (int r = 0; r < 13; ++r) {
    for (int t = 0; t < 96; ++t) same += SameTable(a->xor_tables[r][t], b->xor_tables[r][t]);
    for (int p = 0; p < 16; ++p) {
      same += SameTable(a->tyboxes[r][p], b->tyboxes[r][p]);
      same += SameTable(a->mbl[r][p], b->mbl[r][p]);
    }
  }
  for (int p = 0; p < 16; ++p) same += SameTable(a->tboxes_last[p], b->tboxes_last[p]);
  EXPECT_EQ(same, 0);

  std::mt19937_64 rng(5);
  for (int i = 0; i < 8; ++i) {
    Block block;
    for (auto& byte : block) byte = static_cast<uint8_t>(rng());
    EXPECT_EQ(testing_support::EvaluateNetwork(*a, block),
              testing_support::EvaluateNetwork(*b, block));
  }
}

TEST(HardenedSeeds, SameSeedGivesTheSameFileAndNoSeedAFreshOne) {
  EXPECT_EQ(whitebox::SerializeTableSet(*Hardened(kFipsKey, "repeat")),
            whitebox::SerializeTableSet(*Hardened(kFipsKey, "repeat")));
  const auto key = *whitebox::ParseKeyHex(kFipsKey);
  EXPECT_NE(whitebox::SerializeTableSet(*whitebox::BuildTableSet(Construction::kHardened, key)),
            whitebox::SerializeTableSet(*whitebox::BuildTableSet(Construction::kHardened, key)));
}

// Encoded XOR is still a Latin square (each operand, the other fixed, maps bijectively onto the
// result), every Ty and MBL table is one-to-one, and TboxesLast is a byte permutation: a table
// that loses information would break decryption only for some inputs.
TEST(HardenedStructure, EveryTableIsOneToOneInEachOperand) {
  const auto t = Hardened(kSp800Key, "structure");
  for (int r = 0; r < 13; ++r) {
    for (int n = 0; n < 96; ++n) {
      for (int p = 0; p < 16; ++p) {
        std::set<int> row, column;
        for (int q = 0; q < 16; ++q) {
          ASSERT_LT(t->xor_tables[r][n][p][q], 16);
          row.insert(t->xor_tables[r][n][p][q]);
          column.insert(t->xor_tables[r][n][q][p]);
        }
        ASSERT_EQ(row.size(), 16u) << "Xor[" << r << "][" << n << "] row " << p;
        ASSERT_EQ(column.size(), 16u) << "Xor[" << r << "][" << n << "] column " << p;
      }
    }
    for (int p = 0; p < 16; ++p) {
      const std::set<uint32_t> ty(std::begin(t->tyboxes[r][p]), std::end(t->tyboxes[r][p]));
      const std::set<uint32_t> mbl(std::begin(t->mbl[r][p]), std::end(t->mbl[r][p]));
      EXPECT_EQ(ty.size(), 256u) << "Tyboxes[" << r << "][" << p << "]";
      EXPECT_EQ(mbl.size(), 256u) << "MBL[" << r << "][" << p << "]";
    }
  }
  for (int p = 0; p < 16; ++p) {
    const std::set<uint8_t> last(std::begin(t->tboxes_last[p]), std::end(t->tboxes_last[p]));
    EXPECT_EQ(last.size(), 256u) << "TboxesLast[" << p << "]";
  }
}

}  // namespace
