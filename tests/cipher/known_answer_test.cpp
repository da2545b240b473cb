// Published AES-256 vectors through table sets generated from the vectors' keys: the generator, the
// network evaluation and the modes must together reproduce standard AES exactly.
#include <gtest/gtest.h>

#include <vector>

#include "aes_whitebox.h"
#include "network_reference.h"
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

  whitebox::Block block;
  std::copy(plaintext.begin(), plaintext.end(), block.begin());
  const auto reference = whitebox::EncryptBlock(key, block);
  EXPECT_EQ(std::vector<uint8_t>(reference.begin(), reference.end()), expected);

  const auto tables = whitebox::BuildTableSet(whitebox::Construction::kPlain, key);
  testing_support::LoadIntoCipher(*tables);
  // The first OFB keystream block is the block transform of the initial vector.
  EXPECT_EQ(RunMode(aes_whitebox_encrypt_ofb, plaintext, std::vector<uint8_t>(16, 0)), expected);
}

// NIST SP 800-38A, appendix F, AES-256 examples.
class Sp800_38a : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const auto key = KeyFromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
    testing_support::LoadIntoCipher(*whitebox::BuildTableSet(whitebox::Construction::kPlain, key));
  }

  const std::vector<uint8_t> plaintext_ =
      Hex("6bc1bee22e409f96e93d7e117393172a ae2d8a571e03ac9c9eb76fac45af8e51"
          "30c81c46a35ce411e5fbc1191a0a52ef f69f2445df4f9b17ad2b417be66c3710");
  const std::vector<uint8_t> iv_ = Hex("000102030405060708090a0b0c0d0e0f");
};

TEST_F(Sp800_38a, Cfb128EncryptAndDecrypt) {  // F.3.17, F.3.18
  const auto ciphertext =
      Hex("dc7e84bfda79164b7ecd8486985d3860 39ffed143b28b1c832113c6331e5407b"
          "df10132415e54b92a13ed0a8267ae2f9 75a385741ab9cef82031623d55b1e471");
  EXPECT_EQ(RunMode(aes_whitebox_encrypt_cfb, iv_, plaintext_), ciphertext);
  EXPECT_EQ(RunMode(aes_whitebox_decrypt_cfb, iv_, ciphertext), plaintext_);
}

TEST_F(Sp800_38a, OfbEncryptAndDecrypt) {  // F.4.5, F.4.6
  const auto ciphertext =
      Hex("dc7e84bfda79164b7ecd8486985d3860 4febdc6740d20b3ac88f6ad82a4fb08d"
          "71ab47a086e86eedf39d1c5bba97c408 0126141d67f37be8538f5a8be740e484");
  EXPECT_EQ(RunMode(aes_whitebox_encrypt_ofb, iv_, plaintext_), ciphertext);
  EXPECT_EQ(RunMode(aes_whitebox_decrypt_ofb, iv_, ciphertext), plaintext_);
}

TEST_F(Sp800_38a, CtrEncryptAndDecrypt) {  // F.5.5, F.5.6
  const auto counter = Hex("f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff");
  const auto ciphertext =
      Hex("601ec313775789a5b7a7f504bbf3d228 f443e3ca4d62b59aca84e990cacaf5c5"
          "2b0930daa23de94ce87017ba2d84988d dfc9c58db67aada613c2dd08457941a6");
  EXPECT_EQ(RunMode(aes_whitebox_encrypt_ctr, counter, plaintext_), ciphertext);
  EXPECT_EQ(RunMode(aes_whitebox_decrypt_ctr, counter, ciphertext), plaintext_);
}

TEST(TableFile, RoundTripsAndRejectsWrongSizes) {
  const auto key = KeyFromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
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
