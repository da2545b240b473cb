// Making the known answers of a table set (known_answers.h) on the build host: CFB vectors computed
// from the key by OpenSSL's AES (openssl_primitives.h), with IVs and plaintexts drawn from a random
// source, enough of them that their checked blocks read every entry of the set (table_coverage.h).
#ifndef LAUNCHER_TOOLS_WHITEBOX_MAKE_KNOWN_ANSWERS_H_
#define LAUNCHER_TOOLS_WHITEBOX_MAKE_KNOWN_ANSWERS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "known_answers.h"
#include "random_source.h"
#include "table_set.h"

namespace whitebox {

// The plaintext lengths MakeKnownAnswers always draws, in order: empty, one block, a partial block,
// several blocks ending in a partial one, and 4096 blocks, which read nearly every entry.
inline constexpr size_t kKnownAnswerLengths[] = {0, 16, 7, 61, 65536};
// The length of each vector added after them while some entry is still unread (256 blocks), and
// how many such vectors at most: a set that a correct network builds has no entry that no input
// reaches, and each added vector misses a given entry with a probability near 1/e.
inline constexpr size_t kCoverageVectorLength = 4096;
inline constexpr size_t kMaxCoverageVectors = 64;

// CFB-128 encryption (NIST SP 800-38A, a partial last block using the first bytes of its keystream)
// of `plaintext` under `key` with initial vector `iv`, by OpenSSL's AES.
std::vector<uint8_t> ReferenceEncryptCfb(const Key256& key, const Block& iv,
                                         const std::vector<uint8_t>& plaintext);

// One vector per length of kKnownAnswerLengths, then vectors of kCoverageVectorLength bytes until
// their checked blocks, evaluated on `tables`, have read every entry. IVs and plaintexts come from
// `random` (IV first, then the plaintext, vector by vector); ciphertexts from ReferenceEncryptCfb.
// The vectors depend on `tables` only through how many are added. Throws std::runtime_error,
// naming the unread entries, when kMaxCoverageVectors added vectors still leave some unread.
std::vector<KnownAnswer> MakeKnownAnswers(const Key256& key, const TableSet& tables,
                                          RandomSource& random);

}  // namespace whitebox

#endif  // LAUNCHER_TOOLS_WHITEBOX_MAKE_KNOWN_ANSWERS_H_
