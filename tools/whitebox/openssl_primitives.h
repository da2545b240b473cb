// SHA-256 and single-block AES-256 encryption from OpenSSL's libcrypto (its EVP interface), for the
// programs that run on the build host: the seeded stream (seeded_random.h) and the known answers
// that prove a table set (make_known_answers.h). They come from a library that has nothing to do
// with the white-box network, so a fault in the network's construction cannot hide in its own
// proof. The launcher never links them.
#ifndef LAUNCHER_TOOLS_WHITEBOX_OPENSSL_PRIMITIVES_H_
#define LAUNCHER_TOOLS_WHITEBOX_OPENSSL_PRIMITIVES_H_

#include <array>
#include <cstddef>
#include <cstdint>

#include "aes_building_blocks.h"

struct evp_cipher_ctx_st;

namespace whitebox {

using Sha256Digest = std::array<uint8_t, 32>;

// The FIPS 180-4 SHA-256 digest of the `length` bytes at `data` (null allowed iff length is 0).
// Throws std::runtime_error if libcrypto fails, which it does only when it cannot allocate.
Sha256Digest Sha256(const uint8_t* data, size_t length);

// FIPS-197 AES-256 encryption of blocks under one key, the key expanded once for all of them.
// Construction and Encrypt throw as Sha256 does.
class BlockEncryptor {
 public:
  explicit BlockEncryptor(const Key256& key);
  ~BlockEncryptor();
  BlockEncryptor(const BlockEncryptor&) = delete;
  BlockEncryptor& operator=(const BlockEncryptor&) = delete;

  Block Encrypt(const Block& plaintext);

 private:
  evp_cipher_ctx_st* context_;
};

// BlockEncryptor(key).Encrypt(plaintext).
Block EncryptBlock(const Key256& key, const Block& plaintext);

}  // namespace whitebox

#endif  // LAUNCHER_TOOLS_WHITEBOX_OPENSSL_PRIMITIVES_H_
