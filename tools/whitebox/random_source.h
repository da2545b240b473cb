// Sources of the random choices a hardened table set is made of.
//
// SystemRandom reads the operating system's cryptographic generator: every set it builds is new.
// SeededRandom (seeded_random.h, build host only) makes a set reproducible from a seed.
#ifndef LAUNCHER_TOOLS_WHITEBOX_RANDOM_SOURCE_H_
#define LAUNCHER_TOOLS_WHITEBOX_RANDOM_SOURCE_H_

#include <cstddef>
#include <cstdint>

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

// Fills `out` from the operating system's cryptographic generator; false if it cannot. One
// definition per platform (random_source_posix.cpp, random_source_windows.cpp).
bool FillFromOperatingSystem(uint8_t* out, size_t length);

}  // namespace whitebox

#endif  // LAUNCHER_TOOLS_WHITEBOX_RANDOM_SOURCE_H_
