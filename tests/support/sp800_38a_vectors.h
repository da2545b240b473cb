// NIST SP 800-38A appendix F, the AES-256 examples (F.3.17/18 CFB128, F.4.5/6 OFB, F.5.5/6 CTR):
// one key and one four-block plaintext, and per mode its initial vector (for CTR the initial
// counter block) and ciphertext. Hex digits; whitespace separates blocks (see Hex()).
#ifndef LAUNCHER_TESTS_SUPPORT_SP800_38A_VECTORS_H_
#define LAUNCHER_TESTS_SUPPORT_SP800_38A_VECTORS_H_

#include <gtest/gtest.h>

#include "aes_whitebox.h"
#include "network_reference.h"

namespace testing_support {

inline constexpr const char* kSp800_38aKey =
    "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4";

inline constexpr const char* kSp800_38aPlaintext =
    "6bc1bee22e409f96e93d7e117393172a ae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52ef f69f2445df4f9b17ad2b417be66c3710";

struct Sp800_38aVector {
  const char* mode;
  ModeFunction encrypt;
  ModeFunction decrypt;
  const char* iv;
  const char* ciphertext;
};

inline const Sp800_38aVector kSp800_38aCfb = {
    "CFB128", aes_whitebox_encrypt_cfb, aes_whitebox_decrypt_cfb,
    "000102030405060708090a0b0c0d0e0f",
    "dc7e84bfda79164b7ecd8486985d3860 39ffed143b28b1c832113c6331e5407b"
    "df10132415e54b92a13ed0a8267ae2f9 75a385741ab9cef82031623d55b1e471"};

inline const Sp800_38aVector kSp800_38aOfb = {
    "OFB", aes_whitebox_encrypt_ofb, aes_whitebox_decrypt_ofb, "000102030405060708090a0b0c0d0e0f",
    "dc7e84bfda79164b7ecd8486985d3860 4febdc6740d20b3ac88f6ad82a4fb08d"
    "71ab47a086e86eedf39d1c5bba97c408 0126141d67f37be8538f5a8be740e484"};

inline const Sp800_38aVector kSp800_38aCtr = {
    "CTR", aes_whitebox_encrypt_ctr, aes_whitebox_decrypt_ctr, "f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff",
    "601ec313775789a5b7a7f504bbf3d228 f443e3ca4d62b59aca84e990cacaf5c5"
    "2b0930daa23de94ce87017ba2d84988d dfc9c58db67aada613c2dd08457941a6"};

inline const Sp800_38aVector* const kSp800_38aVectors[] = {&kSp800_38aCfb, &kSp800_38aOfb,
                                                           &kSp800_38aCtr};

// Expects the loaded cipher to encrypt the example plaintext to `vector`'s ciphertext in its mode,
// and to decrypt that back to the plaintext.
inline void ExpectSp800_38aVector(const Sp800_38aVector& vector) {
  SCOPED_TRACE(vector.mode);
  const auto plaintext = Hex(kSp800_38aPlaintext);
  const auto iv = Hex(vector.iv);
  const auto ciphertext = Hex(vector.ciphertext);
  EXPECT_EQ(RunMode(vector.encrypt, iv, plaintext), ciphertext);
  EXPECT_EQ(RunMode(vector.decrypt, iv, ciphertext), plaintext);
}

}  // namespace testing_support

#endif  // LAUNCHER_TESTS_SUPPORT_SP800_38A_VECTORS_H_
