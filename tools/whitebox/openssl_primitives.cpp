#include "openssl_primitives.h"

#include <openssl/evp.h>

#include <stdexcept>
#include <string>

namespace whitebox {

namespace {

[[noreturn]] void Fail(const char* what) {
  throw std::runtime_error(std::string("OpenSSL's libcrypto failed to ") + what);
}

}  // namespace

Sha256Digest Sha256(const uint8_t* data, size_t length) {
  Sha256Digest digest{};
  unsigned int size = 0;
  if (EVP_Digest(data, length, digest.data(), &size, EVP_sha256(), nullptr) != 1 ||
      size != digest.size()) {
    Fail("compute a SHA-256 digest");
  }
  return digest;
}

BlockEncryptor::BlockEncryptor(const Key256& key) : context_(EVP_CIPHER_CTX_new()) {
  // ECB without padding, one block per call, is the bare block cipher.
  if (context_ == nullptr ||
      EVP_EncryptInit_ex(context_, EVP_aes_256_ecb(), nullptr, key.data(), nullptr) != 1 ||
      EVP_CIPHER_CTX_set_padding(context_, 0) != 1) {
    EVP_CIPHER_CTX_free(context_);
    Fail("set up AES-256");
  }
}

BlockEncryptor::~BlockEncryptor() { EVP_CIPHER_CTX_free(context_); }

Block BlockEncryptor::Encrypt(const Block& plaintext) {
  Block ciphertext{};
  int written = 0;
  if (EVP_EncryptUpdate(context_, ciphertext.data(), &written, plaintext.data(),
                        static_cast<int>(plaintext.size())) != 1 ||
      written != static_cast<int>(ciphertext.size())) {
    Fail("encrypt an AES-256 block");
  }
  return ciphertext;
}

Block EncryptBlock(const Key256& key, const Block& plaintext) {
  return BlockEncryptor(key).Encrypt(plaintext);
}

}  // namespace whitebox
