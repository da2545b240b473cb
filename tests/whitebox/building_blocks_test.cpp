// The pieces the hardened construction draws its secrets from: GF(2) matrices, 4-bit bijections,
// and the two random sources.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <vector>

#include "aes_building_blocks.h"
#include "gf2_matrix.h"
#include "network_reference.h"
#include "openssl_primitives.h"
#include "random_source.h"
#include "seeded_random.h"

namespace {

using whitebox::Matrix32;
using whitebox::Matrix8;
using whitebox::NibbleBijection;
using whitebox::SeededRandom;

// Replays fixed bytes, then fails the test if asked for more.
class ScriptedRandom final : public whitebox::RandomSource {
 public:
  explicit ScriptedRandom(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  void Fill(uint8_t* out, size_t length) override {
    for (size_t i = 0; i < length; ++i) {
      if (next_ == bytes_.size()) {
        ADD_FAILURE() << "more random bytes drawn than scripted";
        out[i] = 0;
      } else {
        out[i] = bytes_[next_++];
      }
    }
  }
  size_t used() const { return next_; }

 private:
  std::vector<uint8_t> bytes_;
  size_t next_ = 0;
};

template <typename Matrix>
void ExpectInverseRoundTrips(const Matrix& m, SeededRandom& random) {
  ASSERT_TRUE(m.IsInvertible());
  const auto inverse = m.Inverse();
  ASSERT_TRUE(inverse.has_value());
  EXPECT_EQ(m * *inverse, Matrix::Identity());
  EXPECT_EQ(*inverse * m, Matrix::Identity());
  for (int i = 0; i < 64; ++i) {
    const auto x = static_cast<typename Matrix::Vector>(random.NextU32());
    EXPECT_EQ(inverse->Apply(m.Apply(x)), x);
  }
}

TEST(Gf2Matrix, RandomInvertibleMatricesInvertAndRoundTrip) {
  SeededRandom random("matrices");
  for (int draw = 0; draw < 100; ++draw) {
    ExpectInverseRoundTrips(Matrix8::RandomInvertible(random), random);
    ExpectInverseRoundTrips(Matrix32::RandomInvertible(random), random);
  }
  // An invertible byte matrix is a bijection on all 256 bytes.
  const Matrix8 m = Matrix8::RandomInvertible(random);
  std::set<uint8_t> images;
  for (int x = 0; x < 256; ++x) images.insert(m.Apply(static_cast<uint8_t>(x)));
  EXPECT_EQ(images.size(), 256u);
}

TEST(Gf2Matrix, ApplyIsLinearAndProductsCompose) {
  // Row i gives bit i: this matrix swaps bits 0 and 1, copies bit 0 into bit 7 and clears the rest.
  const Matrix8 swap = Matrix8::FromRows({0b10, 0b01, 0, 0, 0, 0, 0, 0b01});
  EXPECT_EQ(swap.Apply(0b01), 0b1000'0010);
  EXPECT_EQ(swap.Apply(0b10), 0b01);
  EXPECT_EQ(swap.Apply(0b1111'1100), 0);

  SeededRandom random("products");
  for (int i = 0; i < 50; ++i) {
    const Matrix32 a = Matrix32::RandomInvertible(random);
    const Matrix32 b = Matrix32::RandomInvertible(random);
    const uint32_t x = random.NextU32();
    const uint32_t y = random.NextU32();
    EXPECT_EQ((a * b).Apply(x), a.Apply(b.Apply(x)));
    EXPECT_EQ(a.Apply(x ^ y), a.Apply(x) ^ a.Apply(y));
  }
}

TEST(Gf2Matrix, SingularMatricesHaveNoInverse) {
  EXPECT_FALSE(Matrix8().IsInvertible());
  EXPECT_FALSE(Matrix8::FromRows({1, 2, 4, 8, 16, 32, 64, 1 | 64}).Inverse().has_value());

  // A random invertible matrix with one row replaced by the sum of two others.
  SeededRandom random("singular");
  std::array<uint32_t, 32> rows;
  const Matrix32 m = Matrix32::RandomInvertible(random);
  for (int i = 0; i < 32; ++i) rows[i] = m.row(i);
  rows[17] = rows[3] ^ rows[30];
  EXPECT_FALSE(Matrix32::FromRows(rows).Inverse().has_value());
  EXPECT_TRUE(Matrix32::Identity().IsInvertible());
}

TEST(Gf2Matrix, RandomInvertibleMatricesHaveNoFixedEntries) {
  // Over 200 draws every entry of an 8x8 matrix must take both values: a generator that only made,
  // say, triangular or permutation matrices fails this.
  SeededRandom random("entries");
  uint8_t ever_set[8] = {};
  uint8_t ever_clear[8] = {};
  std::set<std::array<uint8_t, 8>> distinct;
  for (int draw = 0; draw < 200; ++draw) {
    const Matrix8 m = Matrix8::RandomInvertible(random);
    std::array<uint8_t, 8> rows;
    for (int i = 0; i < 8; ++i) {
      ever_set[i] |= m.row(i);
      ever_clear[i] |= static_cast<uint8_t>(~m.row(i));
      rows[i] = m.row(i);
    }
    distinct.insert(rows);
  }
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(ever_set[i], 0xff) << "row " << i;
    EXPECT_EQ(ever_clear[i], 0xff) << "row " << i;
  }
  EXPECT_EQ(distinct.size(), 200u);
}

TEST(NibbleBijection, RandomDrawsArePermutationsWithTheirInverses) {
  SeededRandom random("nibbles");
  bool value_seen[16][16] = {};  // [position][value]
  std::set<std::array<uint8_t, 16>> distinct;
  for (int draw = 0; draw < 500; ++draw) {
    const NibbleBijection b = NibbleBijection::Random(random);
    auto sorted = b.forward;
    std::sort(sorted.begin(), sorted.end());
    for (uint8_t x = 0; x < 16; ++x) {
      ASSERT_EQ(sorted[x], x) << "draw " << draw << " is not a permutation";
      EXPECT_EQ(b.inverse[b.forward[x]], x);
      value_seen[x][b.forward[x]] = true;
    }
    distinct.insert(b.forward);
  }
  for (int position = 0; position < 16; ++position) {
    for (int value = 0; value < 16; ++value) {
      EXPECT_TRUE(value_seen[position][value]) << value << " never at " << position;
    }
  }
  EXPECT_EQ(distinct.size(), 500u);
}

TEST(RandomSource, UniformBelowRejectsTheBiasedTailAndCoversItsRange) {
  // 256 = 85 * 3 + 1, so a byte of 255 would favour 0 and must be redrawn.
  ScriptedRandom scripted({255, 254, 0x80});
  EXPECT_EQ(scripted.UniformBelow(3), 254 % 3);
  EXPECT_EQ(scripted.used(), 2u);
  EXPECT_EQ(scripted.UniformBelow(256), 0x80);
  // A bound of 1 accepts every byte.
  ScriptedRandom one({255});
  EXPECT_EQ(one.UniformBelow(1), 0);

  SeededRandom random("uniform");
  for (unsigned bound : {2u, 3u, 7u, 16u}) {
    std::vector<int> counts(bound, 0);
    for (int i = 0; i < 200 * static_cast<int>(bound); ++i) {
      const unsigned value = random.UniformBelow(bound);
      ASSERT_LT(value, bound);
      ++counts[value];
    }
    EXPECT_EQ(std::count(counts.begin(), counts.end(), 0), 0) << "bound " << bound;
  }
}

TEST(SeededRandom, StreamIsAes256CtrKeyedWithTheSeedsSha256) {
  const std::string seed = "launcher development seed";
  const auto key = whitebox::Sha256(reinterpret_cast<const uint8_t*>(seed.data()), seed.size());
  std::vector<uint8_t> expected;
  for (int n = 0; n <= 256; ++n) {
    whitebox::Block counter{};
    counter[14] = static_cast<uint8_t>(n >> 8);  // big-endian: block 256 carries into byte 14
    counter[15] = static_cast<uint8_t>(n);
    const auto block = whitebox::EncryptBlock(key, counter);
    expected.insert(expected.end(), block.begin(), block.end());
  }

  // Reads of odd sizes must continue the stream across block boundaries.
  SeededRandom random(seed);
  std::vector<uint8_t> stream(expected.size());
  size_t offset = 0;
  for (size_t piece : {1u, 7u, 33u, 16u}) {
    random.Fill(stream.data() + offset, piece);
    offset += piece;
  }
  random.Fill(stream.data() + offset, stream.size() - offset);
  EXPECT_EQ(stream, expected);

  SeededRandom other("launcher development seed.");
  std::vector<uint8_t> other_stream(32);
  other.Fill(other_stream.data(), other_stream.size());
  EXPECT_NE(other_stream, std::vector<uint8_t>(expected.begin(), expected.begin() + 32));
}

TEST(SystemRandom, GivesFreshBytesEachTime) {
  whitebox::SystemRandom random;
  std::vector<uint8_t> first(32), second(32);
  random.Fill(first.data(), first.size());
  random.Fill(second.data(), second.size());
  EXPECT_NE(first, second);
  EXPECT_NE(first, std::vector<uint8_t>(32, 0));
}

}  // namespace
