// Every evaluation path (the definition, portable, AVX2, AVX-512 VBMI: each one this processor has)
// must give the straightforward evaluation's results bit for bit, for any table set, length,
// alignment and allowed overlap, across the modes' internal batch boundaries (256 blocks) and
// counter carries.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "aes_whitebox.h"
#include "aes_whitebox_internal.h"
#include "network_reference.h"
#include "sp800_38a_vectors.h"
#include "table_set.h"

namespace {

using launcher_cipher::CipherPath;
using testing_support::Block;
using testing_support::Hex;

using testing_support::Mode;
using testing_support::RandomBlock;
using testing_support::RandomBytes;
using testing_support::RunMode;
const auto& kModes = testing_support::kAllModes;

std::unique_ptr<whitebox::TableSet> AesTableSet(whitebox::Construction construction) {
  return whitebox::BuildTableSet(construction,
                                 *whitebox::ParseKeyHex(testing_support::kSp800_38aKey));
}

}  // namespace

namespace launcher_cipher {
const char* PathName(CipherPath path) {
  switch (path) {
    case CipherPath::kDefinition:
      return "Definition";
    case CipherPath::kPortable:
      return "Portable";
    case CipherPath::kAvx2:
      return "Avx2";
    case CipherPath::kAvx512Vbmi:
      return "Avx512Vbmi";
  }
  return "Unknown";
}
void PrintTo(CipherPath path, std::ostream* os) { *os << PathName(path); }
}  // namespace launcher_cipher

namespace {

using launcher_cipher::PathName;

// Parameter: the path, and whether its vector kernel takes every run of blocks (also the short
// runs production leaves to scalar code, so that one- to three-block batches are exercised).
class EveryPath : public ::testing::TestWithParam<std::tuple<CipherPath, bool>> {
 protected:
  void SetUp() override {
    previous_ = launcher_cipher::ActiveCipherPath();
    if (!Force()) GTEST_SKIP() << "this build or processor lacks " << PathName(Path());
  }
  void TearDown() override { launcher_cipher::SetCipherPathForTesting(previous_); }

  CipherPath Path() const { return std::get<0>(GetParam()); }

  // Loading tables re-chooses the path, so every load is followed by this.
  bool Force() const {
    return launcher_cipher::SetCipherPathForTesting(Path(), std::get<1>(GetParam()));
  }
  void Load(const whitebox::TableSet& tables) const {
    testing_support::LoadIntoCipher(tables);
    ASSERT_TRUE(Force());
  }

  CipherPath previous_ = CipherPath::kPortable;
  std::mt19937_64 rng_{0x5eed};
};

// Separate input and output buffers at independent, unaligned offsets, with guard bytes around
// the output that must survive.
TEST_P(EveryPath, MatchesTheReferenceOnRandomAndGeneratedTableSets) {
  std::vector<std::unique_ptr<whitebox::TableSet>> sets;
  sets.push_back(testing_support::RandomTableSet(rng_));
  sets.push_back(testing_support::RandomTableSet(rng_));
  sets.push_back(AesTableSet(whitebox::Construction::kPlain));
  sets.push_back(AesTableSet(whitebox::Construction::kHardened));
  for (size_t set = 0; set < sets.size(); ++set) {
    Load(*sets[set]);
    // Fixed lengths first: empty, partial blocks, and runs that leave a few blocks after whole
    // groups of vector lanes (which go one at a time unless every count is batched).
    const size_t fixed[] = {0, 1, 15, 16, 17, 16 * 4 + 1, 16 * 33, 16 * 65 + 3, 16 * 256};
    for (size_t trial = 0; trial < 24; ++trial) {
      const Mode& mode = kModes[trial % 6];
      const size_t length = trial < std::size(fixed) ? fixed[trial] : rng_() % 4097;
      const size_t in_offset = rng_() % 64;
      const size_t out_offset = rng_() % 64;
      const Block iv = RandomBlock(rng_);
      const auto input = RandomBytes(rng_, length);
      std::vector<uint8_t> in_buffer(in_offset + length);
      std::copy(input.begin(), input.end(), in_buffer.begin() + in_offset);
      std::vector<uint8_t> out_buffer(out_offset + length + 64, 0xa5);
      mode.function(iv.data(), in_buffer.data() + in_offset, static_cast<uint32_t>(length),
                    out_buffer.data() + out_offset);
      const std::vector<uint8_t> output(out_buffer.begin() + out_offset,
                                        out_buffer.begin() + out_offset + length);
      ASSERT_EQ(output, mode.reference(*sets[set], iv, input))
          << mode.name << " set " << set << " length " << length;
      EXPECT_TRUE(std::all_of(out_buffer.begin(), out_buffer.begin() + out_offset,
                              [](uint8_t b) { return b == 0xa5; }));
      EXPECT_TRUE(std::all_of(out_buffer.begin() + out_offset + length, out_buffer.end(),
                              [](uint8_t b) { return b == 0xa5; }));
      EXPECT_EQ(std::vector<uint8_t>(in_buffer.begin() + in_offset, in_buffer.end()), input);
    }
  }
}

// In place, and with the output starting before the input inside the same buffer, over lengths
// that end inside, at and past the modes' batch boundaries; the IV sits in the buffer as well.
TEST_P(EveryPath, InPlaceAndShiftedOutputAcrossBatchBoundaries) {
  const auto tables = testing_support::RandomTableSet(rng_);
  Load(*tables);
  const size_t lengths[] = {4095, 4097, 16 * 513};
  for (const Mode& mode : kModes) {
    for (size_t length : lengths) {
      for (size_t shift : {0u, 1u, 23u}) {
        const auto input = RandomBytes(rng_, length);
        std::vector<uint8_t> buffer(shift + length);
        std::copy(input.begin(), input.end(), buffer.begin() + shift);
        Block iv;
        std::copy_n(buffer.begin() + shift, 16, iv.begin());
        mode.function(buffer.data() + shift, buffer.data() + shift, static_cast<uint32_t>(length),
                      buffer.data());
        buffer.resize(length);
        ASSERT_EQ(buffer, mode.reference(*tables, iv, input))
            << mode.name << " length " << length << " output " << shift << " bytes early";
      }
    }
  }
}

// The counter carries big-endian through all 128 bits, also between two blocks of one batch and
// between batches, and wraps to zero.
TEST_P(EveryPath, CounterCarriesInsideAndBetweenBatches) {
  const auto tables = testing_support::RandomTableSet(rng_);
  Load(*tables);
  const std::vector<uint8_t> zeros(16 * 300 + 5, 0);
  for (uint32_t low : {0xffffff00u, 0xfffffeffu, 0xffffff7fu}) {  // carry at block 256, 257, 129
    Block iv = RandomBlock(rng_);
    for (int i = 0; i < 4; ++i) iv[12 + i] = static_cast<uint8_t>(low >> (24 - 8 * i));
    std::fill(iv.begin() + 4, iv.begin() + 12, 0xff);
    std::vector<uint8_t> output(zeros.size());
    aes_whitebox_encrypt_ctr(iv.data(), zeros.data(), static_cast<uint32_t>(zeros.size()),
                             output.data());
    EXPECT_EQ(output, testing_support::ReferenceCtr(*tables, iv, zeros)) << std::hex << low;
  }
  Block all_ones;
  all_ones.fill(0xff);
  std::vector<uint8_t> output(zeros.size());
  aes_whitebox_encrypt_ctr(all_ones.data(), zeros.data(), static_cast<uint32_t>(zeros.size()),
                           output.data());
  const Block after_wrap = testing_support::EvaluateNetwork(*tables, Block{});
  EXPECT_TRUE(std::equal(after_wrap.begin(), after_wrap.end(), output.begin() + 16));
  EXPECT_EQ(output, testing_support::ReferenceCtr(*tables, all_ones, zeros));
}

// NIST SP 800-38A appendix F, AES-256, through this path, on a plain and a hardened table set.
TEST_P(EveryPath, KnownAnswerVectors) {
  for (auto construction : {whitebox::Construction::kPlain, whitebox::Construction::kHardened}) {
    SCOPED_TRACE(construction == whitebox::Construction::kPlain ? "plain set" : "hardened set");
    Load(*AesTableSet(construction));
    for (const auto* vector : testing_support::kSp800_38aVectors) {
      testing_support::ExpectSp800_38aVector(*vector);
    }
  }
}

// Loading a table set chooses the fastest path on offer, judged by what the cipher accepts when a
// path is forced: never the definition, and no accepted path faster than the one chosen. Loading
// again chooses afresh, whatever path a test forced before.
TEST(CipherPathChoice, LoadingChoosesTheFastestPathOnOffer) {
  std::mt19937_64 rng(1);
  const auto tables = testing_support::RandomTableSet(rng);
  testing_support::LoadIntoCipher(*tables);
  const CipherPath chosen = launcher_cipher::ActiveCipherPath();

  constexpr CipherPath kSlowestFirst[] = {CipherPath::kDefinition, CipherPath::kPortable,
                                          CipherPath::kAvx2, CipherPath::kAvx512Vbmi};
  std::vector<CipherPath> offered;
  for (CipherPath path : kSlowestFirst) {
    if (!launcher_cipher::SetCipherPathForTesting(path)) continue;
    offered.push_back(path);
    EXPECT_EQ(launcher_cipher::ActiveCipherPath(), path);
  }
  // Every build has the scalar paths.
  ASSERT_GE(offered.size(), 2u);
  EXPECT_EQ(offered[0], CipherPath::kDefinition);
  EXPECT_EQ(offered[1], CipherPath::kPortable);
  EXPECT_EQ(chosen, offered.back())
      << "chosen " << PathName(chosen) << ", fastest on offer " << PathName(offered.back());

  launcher_cipher::SetCipherPathForTesting(CipherPath::kDefinition);
  testing_support::LoadIntoCipher(*tables);
  EXPECT_EQ(launcher_cipher::ActiveCipherPath(), chosen);
}

INSTANTIATE_TEST_SUITE_P(Cipher, EveryPath,
                         ::testing::Values(std::make_tuple(CipherPath::kDefinition, false),
                                           std::make_tuple(CipherPath::kPortable, false),
                                           std::make_tuple(CipherPath::kAvx2, false),
                                           std::make_tuple(CipherPath::kAvx2, true),
                                           std::make_tuple(CipherPath::kAvx512Vbmi, false),
                                           std::make_tuple(CipherPath::kAvx512Vbmi, true)),
                         [](const ::testing::TestParamInfo<EveryPath::ParamType>& info) {
                           return std::string(PathName(std::get<0>(info.param))) +
                                  (std::get<1>(info.param) ? "_BatchEveryCount" : "");
                         });

}  // namespace
