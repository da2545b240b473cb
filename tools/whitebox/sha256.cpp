#include "sha256.h"

#include <bit>
#include <vector>

namespace whitebox {

namespace {

constexpr uint32_t kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr uint32_t kInitialHash[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                      0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

// The message, a 1 bit, zeros and the length in bits (64-bit big-endian): a multiple of 64 bytes.
std::vector<uint8_t> PadMessage(const uint8_t* data, size_t length) {
  std::vector<uint8_t> message(data, data + length);
  message.push_back(0x80);
  while (message.size() % 64 != 56) message.push_back(0);
  const uint64_t bits = static_cast<uint64_t>(length) * 8;
  for (int i = 7; i >= 0; --i) message.push_back(static_cast<uint8_t>(bits >> (8 * i)));
  return message;
}

// The 64 words of the message schedule of the 64-byte block at `block`.
void ExpandSchedule(const uint8_t* block, uint32_t (&w)[64]) {
  for (int t = 0; t < 16; ++t) {
    const uint8_t* p = block + 4 * t;
    w[t] = static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
  }
  for (int t = 16; t < 64; ++t) {
    const uint32_t s0 = std::rotr(w[t - 15], 7) ^ std::rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
    const uint32_t s1 = std::rotr(w[t - 2], 17) ^ std::rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
    w[t] = w[t - 16] + s0 + w[t - 7] + s1;
  }
}

// Folds one 64-byte block into the hash value `h`.
void CompressBlock(const uint8_t* block, uint32_t (&h)[8]) {
  uint32_t w[64];
  ExpandSchedule(block, w);
  uint32_t v[8];  // the working variables a..h
  for (int i = 0; i < 8; ++i) v[i] = h[i];
  for (int t = 0; t < 64; ++t) {
    const uint32_t sum1 = std::rotr(v[4], 6) ^ std::rotr(v[4], 11) ^ std::rotr(v[4], 25);
    const uint32_t choose = (v[4] & v[5]) ^ (~v[4] & v[6]);
    const uint32_t t1 = v[7] + sum1 + choose + kRoundConstants[t] + w[t];
    const uint32_t sum0 = std::rotr(v[0], 2) ^ std::rotr(v[0], 13) ^ std::rotr(v[0], 22);
    const uint32_t majority = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
    for (int i = 7; i > 0; --i) v[i] = v[i - 1];
    v[4] += t1;
    v[0] = t1 + sum0 + majority;
  }
  for (int i = 0; i < 8; ++i) h[i] += v[i];
}

}  // namespace

Sha256Digest Sha256(const uint8_t* data, size_t length) {
  uint32_t h[8];
  for (int i = 0; i < 8; ++i) h[i] = kInitialHash[i];
  const std::vector<uint8_t> message = PadMessage(data, length);
  for (size_t block = 0; block < message.size(); block += 64) CompressBlock(&message[block], h);

  Sha256Digest digest{};
  for (int i = 0; i < 8; ++i) {
    for (int b = 0; b < 4; ++b) digest[4 * i + b] = static_cast<uint8_t>(h[i] >> (24 - 8 * b));
  }
  return digest;
}

}  // namespace whitebox
