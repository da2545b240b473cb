#include "aes_building_blocks.h"

namespace whitebox {

namespace {

uint8_t RotateLeft(uint8_t x, int n) { return static_cast<uint8_t>((x << n) | (x >> (8 - n))); }

// Builds the S-box from its definition (multiplicative inverse, then the affine map) rather than
// from a transcribed table; the FIPS-197 known-answer tests pin the result.
std::array<uint8_t, 256> MakeSbox() {
  std::array<uint8_t, 256> sbox{};
  for (int x = 0; x < 256; ++x) {
    uint8_t inverse = 0;
    for (int y = 1; y < 256 && x != 0; ++y) {
      if (GfMul(static_cast<uint8_t>(x), static_cast<uint8_t>(y)) == 1) {
        inverse = static_cast<uint8_t>(y);
        break;
      }
    }
    sbox[x] = static_cast<uint8_t>(inverse ^ RotateLeft(inverse, 1) ^ RotateLeft(inverse, 2) ^
                                   RotateLeft(inverse, 3) ^ RotateLeft(inverse, 4) ^ 0x63);
  }
  return sbox;
}

}  // namespace

uint8_t GfMul(uint8_t a, uint8_t b) {
  uint8_t product = 0;
  while (b != 0) {
    if (b & 1) product ^= a;
    a = static_cast<uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1b : 0));
    b >>= 1;
  }
  return product;
}

uint8_t SubByte(uint8_t x) {
  static const std::array<uint8_t, 256> sbox = MakeSbox();
  return sbox[x];
}

std::array<Block, kAesRounds + 1> ExpandKey(const Key256& key) {
  constexpr int kNk = 8;
  uint8_t words[4 * (kAesRounds + 1)][4];
  for (int i = 0; i < kNk; ++i) {
    for (int b = 0; b < 4; ++b) words[i][b] = key[4 * i + b];
  }
  uint8_t rcon = 1;
  for (int i = kNk; i < 4 * (kAesRounds + 1); ++i) {
    uint8_t t[4] = {words[i - 1][0], words[i - 1][1], words[i - 1][2], words[i - 1][3]};
    if (i % kNk == 0) {
      const uint8_t first = t[0];
      t[0] = static_cast<uint8_t>(SubByte(t[1]) ^ rcon);
      t[1] = SubByte(t[2]);
      t[2] = SubByte(t[3]);
      t[3] = SubByte(first);
      rcon = GfMul(rcon, 2);
    } else if (i % kNk == 4) {
      for (uint8_t& b : t) b = SubByte(b);
    }
    for (int b = 0; b < 4; ++b) words[i][b] = words[i - kNk][b] ^ t[b];
  }
  std::array<Block, kAesRounds + 1> round_keys{};
  for (int r = 0; r <= kAesRounds; ++r) {
    for (int i = 0; i < 16; ++i) round_keys[r][i] = words[4 * r + i / 4][i % 4];
  }
  return round_keys;
}

}  // namespace whitebox
