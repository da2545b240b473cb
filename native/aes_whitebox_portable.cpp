// Scalar evaluation of the network over the word layout: builds for any target, including the
// 32-bit Windows one, and needs nothing beyond 32-bit integer arithmetic.
#include "aes_whitebox_kernels.h"

namespace launcher_cipher {

namespace {

// Reduces the four words of one column (b and d nibble-swapped) to its four state bytes through
// the 24 derived Xor tables `x` of that round and column. The four output bytes are independent,
// which leaves the processor 16 independent first-level lookups to overlap.
inline void ReduceColumn(const uint8_t (*x)[256], uint32_t a, uint32_t b, uint32_t c, uint32_t d,
                         uint32_t* out) {
  const uint32_t ab = a ^ b;
  const uint32_t cd = c ^ d;
  const uint32_t hi_ab = b ^ (ab & 0xF0F0F0F0u);
  const uint32_t lo_ab = b ^ (ab & 0x0F0F0F0Fu);
  const uint32_t hi_cd = d ^ (cd & 0xF0F0F0F0u);
  const uint32_t lo_cd = d ^ (cd & 0x0F0F0F0Fu);
  // Unrolled at any optimisation level: constant shifts and table offsets, and four independent
  // chains of lookups in flight (left to -O2, the loop stayed rolled and ran a quarter slower).
#pragma GCC unroll 4
  for (int k = 0; k < 4; ++k) {
    const int shift = 24 - 8 * k;
    const uint8_t(*t)[256] = x + 6 * k;
    const uint32_t n0 = t[0][(hi_ab >> shift) & 255];
    const uint32_t n1 = t[1][(hi_cd >> shift) & 255];
    const uint32_t n2 = t[2][(lo_ab >> shift) & 255];
    const uint32_t n3 = t[3][(lo_cd >> shift) & 255];
    out[k] = static_cast<uint32_t>(t[4][n0 | n1]) | t[5][n2 | n3];
  }
}

}  // namespace

void EvaluateBlockPortable(const DerivedTables& tables, uint8_t block[16]) {
  // ShiftRows is folded into where each round's output bytes are stored: column j of a round
  // reads its four bytes in order, and output byte m of the round goes straight to the slot from
  // which the next round's column reads it (slot i holds state byte kShiftRows[i]).
  uint32_t s[2][16];
  for (int i = 0; i < 16; ++i) s[0][i] = block[kShiftRows[i]];
  for (int r = 0; r < kFullRounds; ++r) {
    const uint32_t* in = s[r & 1];
    uint32_t* out = s[(r & 1) ^ 1];
    for (int j = 0; j < 4; ++j) {
      const uint32_t(*ty)[256] = tables.ty_words[r] + 4 * j;
      const uint32_t(*mbl)[256] = tables.mbl_words[r] + 4 * j;
      const uint8_t(*x)[256] = tables.xor_bytes[r] + kXorTablesPerColumn * j;
      uint32_t column[4];
      ReduceColumn(x, ty[0][in[4 * j]], ty[1][in[4 * j + 1]], ty[2][in[4 * j + 2]],
                   ty[3][in[4 * j + 3]], column);
      ReduceColumn(x, mbl[0][column[0]], mbl[1][column[1]], mbl[2][column[2]], mbl[3][column[3]],
                   column);
#pragma GCC unroll 4
      for (int k = 0; k < 4; ++k) out[kUnshiftRows.at[4 * j + k]] = column[k];
    }
  }
  const uint32_t* in = s[kFullRounds & 1];
  for (int i = 0; i < 16; ++i) block[i] = tables.last[i][in[i]];
}

}  // namespace launcher_cipher
