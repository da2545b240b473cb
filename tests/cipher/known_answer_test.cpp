// Published AES-256 vectors through table sets generated from the vectors' keys: the generator, the
// network evaluation and the modes must together reproduce standard AES exactly.
#include <gtest/gtest.h>

#include <vector>

#include "aes_whitebox.h"
#include "network_reference.h"
#include "sp800_38a_vectors.h"
#include "table_set.h"

namespace {

using testing_support::Hex;

using testing_support::RunMode;

whitebox::Key256 KeyFromHex(const char* hex) {
  const auto key = whitebox::ParseKeyHex(hex);
  EXPECT_TRUE(key.has_value()) << hex;
  return key.value_or(whitebox::Key256{});
}

// FIPS-197 Appendix C.3.
TEST(KnownAnswer, Fips197AppendixC3) {
  const auto key = KeyFromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
  const auto plaintext = Hex("00112233445566778899aabbccddeeff");
  const auto expected = Hex("8ea2b7ca516745bfeafc49904b496089");

  const auto tables = whitebox::BuildTableSet(whitebox::Construction::kPlain, key);
  testing_support::LoadIntoCipher(*tables);
  // The first OFB keystream block is the block transform of the initial vector.
  EXPECT_EQ(RunMode(aes_whitebox_encrypt_ofb, plaintext, std::vector<uint8_t>(16, 0)), expected);
}

// NIST SP 800-38A, appendix F, AES-256 examples, through a plain set of their key.
class Sp800_38a : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const auto key = KeyFromHex(testing_support::kSp800_38aKey);
    testing_support::LoadIntoCipher(*whitebox::BuildTableSet(whitebox::Construction::kPlain, key));
  }
};

TEST_F(Sp800_38a, Cfb128EncryptAndDecrypt) {
  testing_support::ExpectSp800_38aVector(testing_support::kSp800_38aCfb);
}

TEST_F(Sp800_38a, OfbEncryptAndDecrypt) {
  testing_support::ExpectSp800_38aVector(testing_support::kSp800_38aOfb);
}

TEST_F(Sp800_38a, CtrEncryptAndDecrypt) {
  testing_support::ExpectSp800_38aVector(testing_support::kSp800_38aCtr);
}

TEST(TableFile, RoundTripsAndRejectsWrongSizes) {
  const auto key = KeyFromHex(testing_support::kSp800_38aKey);
  const auto tables = whitebox::BuildTableSet(whitebox::Construction::kPlain, key);
  const auto bytes = whitebox::SerializeTableSet(*tables);
  ASSERT_EQ(bytes.size(), 749568u);
  // Words are stored little-endian whatever the host: TboxesLast sits after Xor and Tyboxes.
  EXPECT_EQ(bytes[319488], tables->tyboxes[0][0][0] & 0xff);
  EXPECT_EQ(bytes[319488 + 3], tables->tyboxes[0][0][0] >> 24);
  const auto restored = whitebox::DeserializeTableSet(bytes);
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(whitebox::SerializeTableSet(*restored), bytes);

  auto short_file = bytes;
  short_file.pop_back();
  EXPECT_EQ(whitebox::DeserializeTableSet(short_file), nullptr);
  auto long_file = bytes;
  long_file.push_back(0);
  EXPECT_EQ(whitebox::DeserializeTableSet(long_file), nullptr);
}

TEST(TableFile, KeyParsingAcceptsExactly64HexDigits) {
  EXPECT_TRUE(whitebox::ParseKeyHex(std::string(64, 'A')).has_value());
  EXPECT_FALSE(whitebox::ParseKeyHex(std::string(63, 'a')).has_value());
  EXPECT_FALSE(whitebox::ParseKeyHex(std::string(65, 'a')).has_value());
  EXPECT_FALSE(whitebox::ParseKeyHex(std::string(62, 'a') + "g0").has_value());
  EXPECT_EQ((*whitebox::ParseKeyHex("ff" + std::string(62, '0')))[0], 0xff);
}

}  // namespace
