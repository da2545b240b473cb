#include "random_source.h"

#include <stdexcept>

namespace whitebox {

uint32_t RandomSource::NextU32() {
  uint8_t bytes[4];
  Fill(bytes, sizeof bytes);
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

uint8_t RandomSource::UniformBelow(unsigned bound) {
  // The largest multiple of `bound` not above 256: bytes at or above it are redrawn.
  const unsigned limit = 256 - 256 % bound;
  for (;;) {
    uint8_t byte;
    Fill(&byte, 1);
    if (byte < limit) return static_cast<uint8_t>(byte % bound);
  }
}

void SystemRandom::Fill(uint8_t* out, size_t length) {
  if (!FillFromOperatingSystem(out, length)) {
    throw std::runtime_error("the operating system's random generator is unavailable");
  }
}

}  // namespace whitebox
