// Known answers must be right (the NIST examples, and the network of a set for the same key
// agrees), reproducible from a seed, and read back exactly; a malformed file is refused at its
// line.
#include "known_answers.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "aes_whitebox.h"
#include "network_reference.h"
#include "sp800_38a_vectors.h"
#include "table_set.h"

namespace {

using testing_support::Hex;
using whitebox::KnownAnswer;
using whitebox::ParseKnownAnswers;

const whitebox::Key256 kKey = *whitebox::ParseKeyHex(testing_support::kSp800_38aKey);

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
  const auto answers = whitebox::MakeKnownAnswers(kKey, random);
  ASSERT_EQ(answers.size(), std::size(whitebox::kKnownAnswerLengths));
  std::set<whitebox::Block> ivs;
  // The network of a plain set for the key: table lookups, not the reference's round functions.
  testing_support::LoadIntoCipher(*whitebox::BuildTableSet(whitebox::Construction::kPlain, kKey));
  for (size_t i = 0; i < answers.size(); ++i) {
    const KnownAnswer& answer = answers[i];
    ASSERT_EQ(answer.plaintext.size(), whitebox::kKnownAnswerLengths[i]);
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
  const auto a = whitebox::MakeKnownAnswers(kKey, first);
  const auto b = whitebox::MakeKnownAnswers(kKey, again);
  const auto c = whitebox::MakeKnownAnswers(kKey, other);
  EXPECT_EQ(whitebox::FormatKnownAnswers(a), whitebox::FormatKnownAnswers(b));
  for (size_t i = 0; i < a.size(); ++i) {
    EXPECT_NE(a[i].iv, c[i].iv) << "vector " << i;
  }
}

TEST(KnownAnswers, FormattedFileReadsBackExactly) {
  whitebox::SeededRandom random("round trip");
  const auto answers = whitebox::MakeKnownAnswers(kKey, random);
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
