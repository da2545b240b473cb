// Sources of the random choices a hardened table set is made of.
//
// SystemRandom reads the operating system's cryptographic generator: every set it builds is new.
// SeededRandom makes a set reproducible byte for byte from a seed string:
//   key    = SHA-256(the seed's bytes, exactly as given)
//   stream = AES-256-CTR under `key`: block n is AES-256(key, n as a 128-bit big-endian integer),
//            n = 0, 1, 2, ...; the bytes are consumed in order.
// Whoever knows the seed (and the AES key) can rebuild the set, so a deployment's seed is as secret
// as its key; a seed is for reproducible development and test builds.
#ifndef LAUNCHER_TOOLS_WHITEBOX_RANDOM_SOURCE_H_
#define LAUNCHER_TOOLS_WHITEBOX_RANDOM_SOURCE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "aes_reference.h"

namespace whitebox {

class RandomSource {
 public:
  virtual ~RandomSource() = default;

  virtual void Fill(uint8_t* out, size_t length) = 0;

  // Four bytes of the stream, the first as the least significant.
  uint32_t NextU32();
  // Uniform in [0, bound) for 1 <= bound <= 256, drawing one byte at a time and rejecting the
  // values that would bias the result.
  uint8_t UniformBelow(unsigned bound);
};

// The operating system's generator. Fill throws std::runtime_error if it is unavailable: a set must
// never be built from weaker randomness without the caller knowing.
class SystemRandom final : public RandomSource {
 public:
  void Fill(uint8_t* out, size_t length) override;
};

class SeededRandom final : public RandomSource {
 public:
  explicit SeededRandom(std::string_view seed);

  void Fill(uint8_t* out, size_t length) override;

 private:
  void Refill();

  Key256 key_;
  Block counter_{};
  Block buffer_{};
  size_t used_ = sizeof(Block);
};

// Fills `out` from the operating system's cryptographic generator; false if it cannot. One
// definition per platform (random_source_posix.cpp, random_source_windows.cpp).
bool FillFromOperatingSystem(uint8_t* out, size_t length);

}  // namespace whitebox

#endif  // LAUNCHER_TOOLS_WHITEBOX_RANDOM_SOURCE_H_
