// Behaviour of the stream modes that the published vectors do not pin: partial blocks, empty input,
// in-place operation, the counter's carries, agreement with an independent network evaluation on
// arbitrary table sets, and concurrent use.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>
#include <vector>

#include "aes_whitebox.h"
#include "network_reference.h"
#include "table_set.h"

namespace {

using testing_support::Block;
using testing_support::Mode;
using testing_support::RandomBlock;
using testing_support::RandomBytes;
using testing_support::RunMode;
const auto& kModes = testing_support::kAllModes;

// Every test here runs on one shared table set generated for a real key.
class Modes : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const auto key =
        whitebox::ParseKeyHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
    tables_ = whitebox::BuildTableSet(whitebox::Construction::kPlain, *key).release();
  }
  static void TearDownTestSuite() { delete tables_; }
  void SetUp() override { testing_support::LoadIntoCipher(*tables_); }

  Block Transform(const Block& block) { return testing_support::EvaluateNetwork(*tables_, block); }

  static whitebox::TableSet* tables_;
  std::mt19937_64 rng_{20261207};
};

whitebox::TableSet* Modes::tables_ = nullptr;

TEST_F(Modes, PartialLastBlockUsesTheStartOfItsKeystreamBlock) {
  const Block iv = RandomBlock(rng_);
  const auto plaintext = RandomBytes(rng_, 20);
  const auto ciphertext = RunMode(aes_whitebox_encrypt_cfb, iv, plaintext);
  ASSERT_EQ(ciphertext.size(), 20u);
  // Second CFB keystream block: the transform of the first ciphertext block.
  Block first_ciphertext;
  std::copy_n(ciphertext.begin(), 16, first_ciphertext.begin());
  const Block keystream = Transform(first_ciphertext);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(ciphertext[16 + k], plaintext[16 + k] ^ keystream[k]);
  EXPECT_EQ(RunMode(aes_whitebox_decrypt_cfb, iv, ciphertext), plaintext);

  for (const Mode& mode : kModes) {
    for (size_t length : {1u, 15u, 17u, 31u, 33u}) {
      const auto input = RandomBytes(rng_, length);
      EXPECT_EQ(RunMode(mode.function, iv, input), mode.reference(*tables_, iv, input))
          << mode.name << " length " << length;
    }
  }
}

TEST_F(Modes, EmptyInputWritesNothing) {
  const Block iv = RandomBlock(rng_);
  for (const Mode& mode : kModes) {
    uint8_t input[1] = {0x5a};
    uint8_t output[1] = {0xa5};
    mode.function(iv.data(), input, 0, output);
    EXPECT_EQ(output[0], 0xa5) << mode.name;
  }
}

TEST_F(Modes, InPlaceGivesTheSameResultAndTheIvIsNeverWritten) {
  for (const Mode& mode : kModes) {
    const Block iv = RandomBlock(rng_);
    const Block iv_copy = iv;
    const auto input = RandomBytes(rng_, 53);
    const auto expected = RunMode(mode.function, iv, input);
    auto buffer = input;
    mode.function(iv.data(), buffer.data(), static_cast<uint32_t>(buffer.size()), buffer.data());
    EXPECT_EQ(buffer, expected) << mode.name;
    EXPECT_EQ(iv, iv_copy) << mode.name;
  }
}

TEST_F(Modes, IvMayOverlapTheBuffers) {
  for (const Mode& mode : kModes) {
    auto buffer = RandomBytes(rng_, 48);
    Block iv;
    std::copy_n(buffer.begin(), 16, iv.begin());
    const auto expected = RunMode(mode.function, iv, buffer);
    mode.function(buffer.data(), buffer.data(), 48, buffer.data());
    EXPECT_EQ(buffer, expected) << mode.name;
  }
}

TEST_F(Modes, CounterCarriesBigEndianAndWrapsToZero) {
  const std::vector<uint8_t> zeros(32, 0);
  Block iv = RandomBlock(rng_);
  iv[14] = 0xff;
  iv[15] = 0xff;
  iv[13] = 0x41;
  Block next = iv;
  next[13] = 0x42;
  next[14] = 0;
  next[15] = 0;
  auto keystream = RunMode(aes_whitebox_encrypt_ctr, iv, zeros);
  const Block second = Transform(next);
  EXPECT_TRUE(std::equal(second.begin(), second.end(), keystream.begin() + 16));

  Block all_ones;
  all_ones.fill(0xff);
  keystream = RunMode(aes_whitebox_encrypt_ctr, all_ones, zeros);
  const Block after_wrap = Transform(Block{});
  EXPECT_TRUE(std::equal(after_wrap.begin(), after_wrap.end(), keystream.begin() + 16));
}

TEST_F(Modes, AllModesShareTheFirstKeystreamBlock) {
  const Block iv = RandomBlock(rng_);
  const auto input = RandomBytes(rng_, 16);
  const auto cfb = RunMode(aes_whitebox_encrypt_cfb, iv, input);
  EXPECT_EQ(RunMode(aes_whitebox_encrypt_ofb, iv, input), cfb);
  EXPECT_EQ(RunMode(aes_whitebox_encrypt_ctr, iv, input), cfb);
}

TEST_F(Modes, ResultsDoNotDependOnEarlierCalls) {
  const Block iv = RandomBlock(rng_);
  const auto input = RandomBytes(rng_, 64);
  const auto first = RunMode(aes_whitebox_encrypt_cfb, iv, input);
  for (const Mode& mode : kModes)
    RunMode(mode.function, RandomBlock(rng_), RandomBytes(rng_, 4096));
  EXPECT_EQ(RunMode(aes_whitebox_encrypt_cfb, iv, input), first);
}

TEST_F(Modes, ConcurrentCallersGetTheSingleThreadedResults) {
  struct Job {
    const Mode* mode;
    Block iv;
    std::vector<uint8_t> input;
    std::vector<uint8_t> expected;
  };
  std::vector<Job> jobs;
  for (int i = 0; i < 48; ++i) {
    const Mode& mode = kModes[i % 6];
    Job job{&mode, RandomBlock(rng_), RandomBytes(rng_, 1 + rng_() % 700), {}};
    job.expected = RunMode(mode.function, job.iv, job.input);
    jobs.push_back(std::move(job));
  }
  std::vector<std::thread> threads;
  std::vector<int> mismatches(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 5; ++round) {
        for (size_t i = t; i < jobs.size(); i += 2) {  // threads share half their jobs
          if (RunMode(jobs[i].mode->function, jobs[i].iv, jobs[i].input) != jobs[i].expected) {
            ++mismatches[t];
          }
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

// The cipher must evaluate any table set unchanged, not only sets that compute AES.
TEST(Network, MatchesAnIndependentEvaluationOnRandomTableSets) {
  std::mt19937_64 rng(7);
  for (int set = 0; set < 3; ++set) {
    const auto tables = testing_support::RandomTableSet(rng);
    testing_support::LoadIntoCipher(*tables);
    for (const Mode& mode : kModes) {
      const Block iv = RandomBlock(rng);
      const auto input = RandomBytes(rng, rng() % 200);
      EXPECT_EQ(RunMode(mode.function, iv, input), mode.reference(*tables, iv, input))
          << mode.name << " on random set " << set;
    }
  }
}

// With pass-through tables the network only permutes: 14 ShiftRows, i.e. ShiftRows twice, which
// holds only if ShiftRows is the AES permutation of order 4 and is applied once per round.
TEST(Network, PassThroughTablesLeaveOnlyTheShiftRowsPermutation) {
  auto tables = std::make_unique<whitebox::TableSet>();
  for (int r = 0; r < 13; ++r) {
    for (int t = 0; t < 96; ++t)
      for (int p = 0; p < 16; ++p)
        for (int q = 0; q < 16; ++q) tables->xor_tables[r][t][p][q] = static_cast<uint8_t>(p ^ q);
    for (int position = 0; position < 16; ++position)
      for (uint32_t x = 0; x < 256; ++x) {
        tables->tyboxes[r][position][x] = x << (24 - 8 * (position % 4));
        tables->mbl[r][position][x] = x << (24 - 8 * (position % 4));
      }
  }
  for (int position = 0; position < 16; ++position)
    for (int x = 0; x < 256; ++x) tables->tboxes_last[position][x] = static_cast<uint8_t>(x);
  testing_support::LoadIntoCipher(*tables);

  Block iv;
  for (int i = 0; i < 16; ++i) iv[i] = static_cast<uint8_t>(i);
  const auto out = RunMode(aes_whitebox_encrypt_ofb, iv, std::vector<uint8_t>(16, 0));
  // Twice shifted, row k moves left by 2k mod 4 columns: rows 1 and 3 by two, rows 0 and 2 stay.
  const std::vector<uint8_t> expected = {0, 9, 2, 11, 4, 13, 6, 15, 8, 1, 10, 3, 12, 5, 14, 7};
  EXPECT_EQ(out, expected);
}

}  // namespace
