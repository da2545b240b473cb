// A random source that makes a table set, and its known answers, reproducible byte for byte from a
// seed string:
//   key    = SHA-256(the seed's bytes, exactly as given)
//   stream = AES-256-CTR under `key`: block n is AES-256(key, n as a 128-bit big-endian integer),
//            n = 0, 1, 2, ...; the bytes are consumed in order.
// A set draws from block 0 on. Its known answers draw from block 2^127 on
// (kKnownAnswersFirstBlock), a part of the stream no set reaches, so that the vectors a deployment
// hands out never contain the randomness that hides its key in the set, and every command that
// makes them for one seed makes the same ones, whatever set or command came first. Whoever knows
// the seed (and the AES key) can rebuild the set, so a deployment's seed is as secret as its key; a
// seed is for reproducible development and test builds.
#ifndef LAUNCHER_TOOLS_WHITEBOX_SEEDED_RANDOM_H_
#define LAUNCHER_TOOLS_WHITEBOX_SEEDED_RANDOM_H_

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "aes_building_blocks.h"
#include "openssl_primitives.h"
#include "random_source.h"

namespace whitebox {

// The counter block of the known answers' first stream block: 2^127.
inline constexpr Block kKnownAnswersFirstBlock = {0x80};

class SeededRandom final : public RandomSource {
 public:
  // The stream of `seed` from block `first_block` (a 128-bit big-endian block number) on.
  explicit SeededRandom(std::string_view seed, const Block& first_block = Block{});

  void Fill(uint8_t* out, size_t length) override;

 private:
  void Refill();

  BlockEncryptor encryptor_;
  Block counter_;
  Block buffer_{};
  size_t used_ = sizeof(Block);
};

// The random source of a set's known answers: `seed`'s stream from kKnownAnswersFirstBlock on, or
// the operating system's generator when there is no seed.
std::unique_ptr<RandomSource> KnownAnswersRandom(const std::optional<std::string>& seed);

}  // namespace whitebox

#endif  // LAUNCHER_TOOLS_WHITEBOX_SEEDED_RANDOM_H_
