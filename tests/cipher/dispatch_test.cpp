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
  const auto key =
      whitebox::ParseKeyHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
  return whitebox::BuildTableSet(construction, *key);
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

  void KnownAnswerVectorsOnTheLoadedSet();

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
    KnownAnswerVectorsOnTheLoadedSet();
  }
}

void EveryPath::KnownAnswerVectorsOnTheLoadedSet() {
  const auto iv = Hex("000102030405060708090a0b0c0d0e0f");
  const auto counter = Hex("f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff");
  const auto plaintext =
      Hex("6bc1bee22e409f96e93d7e117393172a ae2d8a571e03ac9c9eb76fac45af8e51"
          "30c81c46a35ce411e5fbc1191a0a52ef f69f2445df4f9b17ad2b417be66c3710");
  struct Vector {
    testing_support::ModeFunction encrypt, decrypt;
    const std::vector<uint8_t>& iv;
    std::vector<uint8_t> ciphertext;
  };
  const Vector vectors[] = {
      {aes_whitebox_encrypt_cfb, aes_whitebox_decrypt_cfb, iv,
       Hex("dc7e84bfda79164b7ecd8486985d3860 39ffed143b28b1c832113c6331e5407b"
           "df10132415e54b92a13ed0a8267ae2f9 75a385741ab9cef82031623d55b1e471")},
      {aes_whitebox_encrypt_ofb, aes_whitebox_decrypt_ofb, iv,
       Hex("dc7e84bfda79164b7ecd8486985d3860 4febdc6740d20b3ac88f6ad82a4fb08d"
           "71ab47a086e86eedf39d1c5bba97c408 0126141d67f37be8538f5a8be740e484")},
      {aes_whitebox_encrypt_ctr, aes_whitebox_decrypt_ctr, counter,
       Hex("601ec313775789a5b7a7f504bbf3d228 f443e3ca4d62b59aca84e990cacaf5c5"
           "2b0930daa23de94ce87017ba2d84988d dfc9c58db67aada613c2dd08457941a6")},
  };
  for (const Vector& v : vectors) {
    std::vector<uint8_t> out(64);
    v.encrypt(v.iv.data(), plaintext.data(), 64, out.data());
    EXPECT_EQ(out, v.ciphertext);
    v.decrypt(v.iv.data(), v.ciphertext.data(), 64, out.data());
    EXPECT_EQ(out, plaintext);
  }
}

// A vector path the processor has must be there and be the one initializeCipher picks: a build that
// silently left a kernel out would otherwise only skip its tests above.
TEST(CipherPathChoice, EveryPathTheProcessorHasIsAvailableAndTheFastestIsChosen) {
  std::mt19937_64 rng(1);
  testing_support::LoadIntoCipher(*testing_support::RandomTableSet(rng));
  std::vector<CipherPath> available = {CipherPath::kDefinition, CipherPath::kPortable};
#if defined(__x86_64__) || defined(__i386__)
  if (__builtin_cpu_supports("avx2")) available.push_back(CipherPath::kAvx2);
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
      __builtin_cpu_supports("avx512vbmi")) {
    available.push_back(CipherPath::kAvx512Vbmi);
  }
#endif
  EXPECT_EQ(launcher_cipher::ActiveCipherPath(), available.back());
  for (CipherPath path : available) {
    EXPECT_TRUE(launcher_cipher::SetCipherPathForTesting(path)) << PathName(path);
  }
  launcher_cipher::SetCipherPathForTesting(available.back());
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
