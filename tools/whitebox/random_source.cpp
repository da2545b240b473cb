#include "random_source.h"

#include <stdexcept>

#include "sha256.h"

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

SeededRandom::SeededRandom(std::string_view seed)
    : key_(Sha256(reinterpret_cast<const uint8_t*>(seed.data()), seed.size())) {}

void SeededRandom::Refill() {
  buffer_ = EncryptBlock(key_, counter_);
  for (int i = 15; i >= 0 && ++counter_[i] == 0; --i) {
  }
  used_ = 0;
}

void SeededRandom::Fill(uint8_t* out, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (used_ == buffer_.size()) Refill();
    out[i] = buffer_[used_++];
  }
}

}  // namespace whitebox
