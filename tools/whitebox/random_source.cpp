#include "random_source.h"

#include <bit>
#include <stdexcept>
#include <vector>

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

std::array<uint8_t, 32> Sha256(const uint8_t* data, size_t length) {
  static constexpr uint32_t kRoundConstants[64] = {
      0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4,
      0xab1c5ed5, 0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe,
      0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f,
      0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7,
      0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138, 0x4d2c6dfc,
      0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b,
      0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116,
      0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
      0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7,
      0xc67178f2};
  uint32_t h[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                   0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

  // Message, a 1 bit, zeros, the length in bits (64-bit big-endian): a multiple of 64 bytes.
  std::vector<uint8_t> message(data, data + length);
  message.push_back(0x80);
  while (message.size() % 64 != 56) message.push_back(0);
  const uint64_t bits = static_cast<uint64_t>(length) * 8;
  for (int i = 7; i >= 0; --i) message.push_back(static_cast<uint8_t>(bits >> (8 * i)));

  for (size_t block = 0; block < message.size(); block += 64) {
    uint32_t w[64];
    for (int t = 0; t < 16; ++t) {
      const uint8_t* p = &message[block + 4 * t];
      w[t] = static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
             static_cast<uint32_t>(p[2]) << 8 | p[3];
    }
    for (int t = 16; t < 64; ++t) {
      const uint32_t s0 = std::rotr(w[t - 15], 7) ^ std::rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
      const uint32_t s1 = std::rotr(w[t - 2], 17) ^ std::rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
      w[t] = w[t - 16] + s0 + w[t - 7] + s1;
    }
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], hh = h[7];
    for (int t = 0; t < 64; ++t) {
      const uint32_t sum1 = std::rotr(e, 6) ^ std::rotr(e, 11) ^ std::rotr(e, 25);
      const uint32_t choose = (e & f) ^ (~e & g);
      const uint32_t t1 = hh + sum1 + choose + kRoundConstants[t] + w[t];
      const uint32_t sum0 = std::rotr(a, 2) ^ std::rotr(a, 13) ^ std::rotr(a, 22);
      const uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
      const uint32_t t2 = sum0 + majority;
      hh = g;
      g = f;
      f = e;
      e = d + t1;
      d = c;
      c = b;
      b = a;
      a = t1 + t2;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
    h[5] += f;
    h[6] += g;
    h[7] += hh;
  }

  std::array<uint8_t, 32> digest{};
  for (int i = 0; i < 8; ++i) {
    for (int b = 0; b < 4; ++b) digest[4 * i + b] = static_cast<uint8_t>(h[i] >> (24 - 8 * b));
  }
  return digest;
}

}  // namespace whitebox
