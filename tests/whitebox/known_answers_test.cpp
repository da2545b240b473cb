// Known answers must be right (the NIST examples, and the network of a set for the same key
// agrees), reproducible from a seed, and read back exactly; a malformed file is refused at its
// line.
#include "known_answers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "aes_whitebox.h"
#include "make_known_answers.h"
#include "network_reference.h"
#include "openssl_primitives.h"
#include "seeded_random.h"
#include "sp800_38a_vectors.h"
#include "table_coverage.h"
#include "table_set.h"

namespace {

using testing_support::Hex;
using whitebox::KnownAnswer;
using whitebox::ParseKnownAnswers;

const whitebox::Key256 kKey = *whitebox::ParseKeyHex(testing_support::kSp800_38aKey);

const whitebox::TableSet& PlainSet() {
  static const auto tables = whitebox::BuildTableSet(whitebox::Construction::kPlain, kKey);
  return *tables;
}

whitebox::Block BlockFromHex(const char* text) {
  const auto bytes = Hex(text);
  whitebox::Block block{};
  std::copy(bytes.begin(), bytes.end(), block.begin());
  return block;
}

// NIST SP 800-38A F.3.17: CFB128-AES256.Encrypt, and prefixes of it for the partial lengths.
TEST(KnownAnswers, ReferenceCfbGivesTheSp800_38aExampleAndItsPrefixes) {
  const auto iv = BlockFromHex(testing_support::kSp800_38aCfb.iv);
  const auto plaintext = Hex(testing_support::kSp800_38aPlaintext);
  const auto ciphertext = Hex(testing_support::kSp800_38aCfb.ciphertext);
  EXPECT_EQ(whitebox::ReferenceEncryptCfb(kKey, iv, plaintext), ciphertext);
  for (size_t length : {0, 1, 15, 17, 47}) {
    const std::vector<uint8_t> head(plaintext.begin(), plaintext.begin() + length);
    EXPECT_EQ(whitebox::ReferenceEncryptCfb(kKey, iv, head),
              std::vector<uint8_t>(ciphertext.begin(), ciphertext.begin() + length))
        << length << " bytes";
  }
}

TEST(KnownAnswers, MadeVectorsHaveTheDocumentedLengthsAndAgreeWithTheKeysNetwork) {
  whitebox::SeededRandom random("known answers");
  const auto answers = whitebox::MakeKnownAnswers(kKey, PlainSet(), random);
  ASSERT_GE(answers.size(), std::size(whitebox::kKnownAnswerLengths));
  std::set<whitebox::Block> ivs;
  // The network of a plain set for the key: table lookups, not the reference's round functions.
  testing_support::LoadIntoCipher(*whitebox::BuildTableSet(whitebox::Construction::kPlain, kKey));
  for (size_t i = 0; i < answers.size(); ++i) {
    const KnownAnswer& answer = answers[i];
    ASSERT_EQ(answer.plaintext.size(), i < std::size(whitebox::kKnownAnswerLengths)
                                           ? whitebox::kKnownAnswerLengths[i]
                                           : whitebox::kCoverageVectorLength);
    ASSERT_EQ(answer.ciphertext.size(), answer.plaintext.size());
    ivs.insert(answer.iv);
    EXPECT_EQ(testing_support::RunMode(aes_whitebox_encrypt_cfb, answer.iv, answer.plaintext),
              answer.ciphertext)
        << "vector " << i;
  }
  EXPECT_EQ(ivs.size(), answers.size()) << "the IVs repeat";
  const std::vector<uint8_t> zeros(answers.back().plaintext.size(), 0);
  EXPECT_NE(answers.back().plaintext, zeros);
}

TEST(KnownAnswers, ASeedReproducesTheVectorsAndAnotherSeedChangesThem) {
  whitebox::SeededRandom first("seed"), again("seed"), other("other seed");
  const auto a = whitebox::MakeKnownAnswers(kKey, PlainSet(), first);
  const auto b = whitebox::MakeKnownAnswers(kKey, PlainSet(), again);
  const auto c = whitebox::MakeKnownAnswers(kKey, PlainSet(), other);
  EXPECT_EQ(whitebox::FormatKnownAnswers(a), whitebox::FormatKnownAnswers(b));
  for (size_t i = 0; i < std::min(a.size(), c.size()); ++i) {
    EXPECT_NE(a[i].iv, c[i].iv) << "vector " << i;
  }
}

TEST(KnownAnswers, FormattedFileReadsBackExactly) {
  whitebox::SeededRandom random("round trip");
  const auto answers = whitebox::MakeKnownAnswers(kKey, PlainSet(), random);
  const std::string text = whitebox::FormatKnownAnswers(answers);
  EXPECT_EQ(text.rfind("# ", 0), 0u);
  EXPECT_NE(text.find("\ncfb " + whitebox::HexText(answers[0].iv.data(), 16) + " - -\n"),
            std::string::npos)
      << "the empty vector is not written as '- -'";
  const auto parsed = ParseKnownAnswers(text);
  ASSERT_EQ(parsed.error, "");
  ASSERT_EQ(parsed.answers.size(), answers.size());
  for (size_t i = 0; i < answers.size(); ++i) {
    EXPECT_EQ(parsed.answers[i].iv, answers[i].iv);
    EXPECT_EQ(parsed.answers[i].plaintext, answers[i].plaintext);
    EXPECT_EQ(parsed.answers[i].ciphertext, answers[i].ciphertext);
    EXPECT_EQ(parsed.answers[i].line, static_cast<int>(i) + 3);  // after the two comment lines
  }
}

// Records what a source hands out.
class RecordingRandom final : public whitebox::RandomSource {
 public:
  explicit RecordingRandom(whitebox::RandomSource& source) : source_(source) {}
  void Fill(uint8_t* out, size_t length) override {
    source_.Fill(out, length);
    drawn.insert(drawn.end(), out, out + length);
  }
  std::vector<uint8_t> drawn;

 private:
  whitebox::RandomSource& source_;
};

// The known answers of a seed never hand out the randomness that hides the key in its set.
TEST(KnownAnswers, ShareNoSixteenBytesWithTheStreamThatBuiltTheSet) {
  const std::string seed = "launcher development seed";
  whitebox::SeededRandom stream(seed);
  RecordingRandom recorded(stream);
  const auto set = whitebox::BuildTableSet(whitebox::Construction::kHardened, kKey, recorded);
  const auto answers = whitebox::MakeKnownAnswers(kKey, *set, *whitebox::KnownAnswersRandom(seed));
  std::unordered_set<std::string_view> windows;
  for (const KnownAnswer& answer : answers) {
    for (const auto* bytes : {&answer.plaintext, &answer.ciphertext}) {
      const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
      for (size_t i = 0; i + 16 <= text.size(); ++i) windows.insert(text.substr(i, 16));
    }
    windows.insert(std::string_view(reinterpret_cast<const char*>(answer.iv.data()), 16));
  }
  const std::string_view drawn(reinterpret_cast<const char*>(recorded.drawn.data()),
                               recorded.drawn.size());
  ASSERT_GT(drawn.size(), 16u);
  for (size_t i = 0; i + 16 <= drawn.size(); ++i) {
    ASSERT_FALSE(windows.count(drawn.substr(i, 16))) << "the set's stream from byte " << i;
  }
}

// Hands out `script`, then another source's bytes.
class ScriptFirst final : public whitebox::RandomSource {
 public:
  ScriptFirst(std::vector<uint8_t> script, whitebox::RandomSource& then)
      : script_(std::move(script)), then_(then) {}
  void Fill(uint8_t* out, size_t length) override {
    for (size_t i = 0; i < length; ++i) {
      if (next_ < script_.size()) {
        out[i] = script_[next_++];
      } else {
        then_.Fill(out + i, 1);
      }
    }
  }

 private:
  std::vector<uint8_t> script_;
  size_t next_ = 0;
  whitebox::RandomSource& then_;
};

// Standard vectors whose every block encrypts the same input (IV C, plaintext blocks C ^ AES(C),
// so each ciphertext block is C again) read one block's entries only: the generator must add
// vectors until every readable entry is read.
TEST(KnownAnswers, VectorsAreAddedUntilTheyReadEveryReadableEntry) {
  const whitebox::Block c = BlockFromHex("00112233445566778899aabbccddeeff");
  const whitebox::Block keystream = whitebox::EncryptBlock(kKey, c);
  std::vector<uint8_t> script;
  for (size_t length : whitebox::kKnownAnswerLengths) {
    script.insert(script.end(), c.begin(), c.end());
    for (size_t i = 0; i < length; ++i) script.push_back(c[i % 16] ^ keystream[i % 16]);
  }
  whitebox::SeededRandom rest("coverage");
  ScriptFirst random(script, rest);
  whitebox::SeededRandom set_random("coverage set");
  const auto set = whitebox::BuildTableSet(whitebox::Construction::kHardened, kKey, set_random);
  const auto answers = whitebox::MakeKnownAnswers(kKey, *set, random);
  ASSERT_GT(answers.size(), std::size(whitebox::kKnownAnswerLengths));
  whitebox::TableCoverage standard(*set), all(*set);
  for (size_t i = 0; i < answers.size(); ++i) {
    if (i < std::size(whitebox::kKnownAnswerLengths)) standard.EvaluateKnownAnswer(answers[i]);
    all.EvaluateKnownAnswer(answers[i]);
  }
  EXPECT_NE(standard.TotalUnread(), 0u);
  EXPECT_EQ(all.TotalUnread(), 0u) << all.DescribeUnread();
}

// The coverage follows the network exactly, marks what one block reads, and counts as readable
// exactly what many blocks read: the entries it leaves out are never read.
TEST(TableCoverage, EvaluatesTheNetworkAndCountsTheEntriesItReads) {
  whitebox::SeededRandom set_random("coverage");
  const auto set = whitebox::BuildTableSet(whitebox::Construction::kHardened, kKey, set_random);
  whitebox::TableCoverage coverage(*set);
  std::mt19937_64 rng(5);
  const auto first = testing_support::RandomBlock(rng);
  EXPECT_EQ(coverage.Evaluate(first), testing_support::EvaluateNetwork(*set, first));
  const auto one = coverage.Counts();
  ASSERT_EQ(one.size(), 4u);
  // One block reads one entry per round and position, and 13 * 4 * 2 * 24 Xor entries, some of
  // them perhaps twice.
  EXPECT_EQ(one[1].read, 13u * 16);
  EXPECT_EQ(one[2].read, 16u);
  EXPECT_EQ(one[3].read, 13u * 16);
  EXPECT_LE(one[0].read, 13u * 4 * 2 * 24);
  EXPECT_GT(one[0].read, 13u * 4 * 24);
  EXPECT_EQ(one[1].readable, one[1].entries);
  EXPECT_EQ(coverage.TotalUnread(), one[0].readable - one[0].read + (53248 - 208) * 2 + 4080);
  for (int n = 0; n < 20000; ++n) coverage.Evaluate(testing_support::RandomBlock(rng));
  for (const auto& table : coverage.Counts()) {
    EXPECT_EQ(table.read, table.readable) << table.table;
    EXPECT_EQ(table.unread, 0u) << table.table;
  }
}

TEST(KnownAnswers, ReadsCommentsBlankLinesCarriageReturnsAndEitherCase) {
  const auto parsed = ParseKnownAnswers(
      "# comment\n\ncfb 000102030405060708090A0B0C0D0E0F 6BC1be DC7E84\r\ncfb "
      "00000000000000000000000000000000 - -");
  ASSERT_EQ(parsed.error, "");
  ASSERT_EQ(parsed.answers.size(), 2u);
  EXPECT_EQ(parsed.answers[0].line, 3);
  EXPECT_EQ(parsed.answers[0].iv, BlockFromHex("000102030405060708090a0b0c0d0e0f"));
  EXPECT_EQ(parsed.answers[0].plaintext, Hex("6bc1be"));
  EXPECT_EQ(parsed.answers[0].ciphertext, Hex("dc7e84"));
  EXPECT_EQ(parsed.answers[1].line, 4);
  EXPECT_TRUE(parsed.answers[1].plaintext.empty());
  EXPECT_TRUE(parsed.answers[1].ciphertext.empty());
}

TEST(KnownAnswers, MalformedLinesAreRefusedWithTheirLineNumber) {
  const std::string iv = "000102030405060708090a0b0c0d0e0f";
  const std::pair<std::string, std::string> cases[] = {
      {"cfb " + iv + " 00",
       "line 1: expected 'cfb IV PLAINTEXT CIPHERTEXT' (4 fields separated by single spaces), "
       "found 3 fields"},
      {"cfb  " + iv + " 00 00",
       "line 1: expected 'cfb IV PLAINTEXT CIPHERTEXT' (4 fields separated by single spaces), "
       "found 5 fields"},
      {"ofb " + iv + " 00 00", "line 1: unknown mode 'ofb', expected cfb"},
      {"cfb 0001 00 00", "line 1: the IV must be 32 hexadecimal digits"},
      {"cfb " + iv + "0g 00 00", "line 1: the IV must be 32 hexadecimal digits"},
      {"cfb " + iv + " 0 00",
       "line 1: the plaintext must be hexadecimal digits in pairs, or - when empty"},
      {"cfb " + iv + " 00 zz",
       "line 1: the ciphertext must be hexadecimal digits in pairs, or - when empty"},
      {"cfb " + iv + " 0011 00", "line 1: the plaintext has 2 bytes, the ciphertext 1"},
      {"cfb " + iv + " - 00", "line 1: the plaintext has 0 bytes, the ciphertext 1"},
      {"# fine\ncfb " + iv + " 00 00\n\ncfb " + iv + " 00",
       "line 4: expected 'cfb IV PLAINTEXT CIPHERTEXT' (4 fields separated by single spaces), "
       "found 3 fields"},
  };
  for (const auto& [text, error] : cases) {
    const auto parsed = ParseKnownAnswers(text);
    EXPECT_EQ(parsed.error, error) << text;
    EXPECT_TRUE(parsed.answers.empty()) << text;
  }
}

}  // namespace
