// Batch evaluation with AVX-512 VBMI, byte-sliced: one register holds state byte i of 64 blocks,
// and a 256-entry byte table is two vpermi2b lookups (128 entries each) joined by the index's top
// bit. Up to four groups of 64 blocks go through the rounds together and share each load of the
// ~730 KiB of derived tables a pass reads. Built with AVX-512 flags (see aes_whitebox_kernels.h
// for what that rules out); run only when the processor has AVX-512 F, BW and VBMI.
#include "aes_whitebox_kernels.h"

#if LAUNCHER_CIPHER_X86_KERNELS

#if !defined(__AVX512F__) || !defined(__AVX512BW__) || !defined(__AVX512VBMI__)
#error "compile this file with -mavx512f -mavx512bw -mavx512vbmi"
#endif

#include <immintrin.h>

#include <cstring>

namespace launcher_cipher {

namespace {

constexpr int kLanes = 64;

// The loops over groups, output bytes and positions below are unrolled at any optimisation level,
// so that the vectors stay in registers (left to -O2, the kernel ran about 30 % slower).

// out[g] = table[index[g]] for a 256-entry byte table; high[g] holds the top bit of each index.
template <int G>
inline void Lookup(const uint8_t* table, const __m512i (&index)[G], const __mmask64 (&high)[G],
                   __m512i (&out)[G]) {
  const __m512i* t = reinterpret_cast<const __m512i*>(table);
  const __m512i t0 = _mm512_load_si512(t);
  const __m512i t1 = _mm512_load_si512(t + 1);
  const __m512i t2 = _mm512_load_si512(t + 2);
  const __m512i t3 = _mm512_load_si512(t + 3);
#pragma GCC unroll 4
  for (int g = 0; g < G; ++g) {
    const __m512i lo = _mm512_permutex2var_epi8(t0, index[g], t1);
    const __m512i hi = _mm512_permutex2var_epi8(t2, index[g], t3);
    out[g] = _mm512_mask_blend_epi8(high[g], lo, hi);
  }
}

template <int G>
inline void TopBits(const __m512i (&v)[G], __mmask64 (&high)[G]) {
#pragma GCC unroll 4
  for (int g = 0; g < G; ++g) high[g] = _mm512_movepi8_mask(v[g]);
}

// One stage (Ty or MBL) of one column: `words` are the byte-sliced tables of its four positions,
// `x` its 24 derived Xor tables; `column` holds the four state positions, read in full first.
template <int G>
inline void ColumnStage(const uint8_t (*words)[4][256], const uint8_t (*x)[256],
                        __m512i (&column)[4][G]) {
  __mmask64 high[4][G];
#pragma GCC unroll 4
  for (int i = 0; i < 4; ++i) TopBits(column[i], high[i]);
  const __m512i hi_nibbles = _mm512_set1_epi8(static_cast<char>(0xF0));
  __m512i out[4][G];
#pragma GCC unroll 4
  for (int k = 0; k < 4; ++k) {
    __m512i a[G], b[G], c[G], d[G];
    Lookup(words[0][k], column[0], high[0], a);
    Lookup(words[1][k], column[1], high[1], b);
    Lookup(words[2][k], column[2], high[2], c);
    Lookup(words[3][k], column[3], high[3], d);
    __m512i i0[G], i1[G], i2[G], i3[G];
#pragma GCC unroll 4
    for (int g = 0; g < G; ++g) {
      // 0xCA: bitwise select, first operand ? second : third.
      i0[g] = _mm512_ternarylogic_epi32(hi_nibbles, a[g], b[g], 0xCA);
      i2[g] = _mm512_ternarylogic_epi32(hi_nibbles, b[g], a[g], 0xCA);
      i1[g] = _mm512_ternarylogic_epi32(hi_nibbles, c[g], d[g], 0xCA);
      i3[g] = _mm512_ternarylogic_epi32(hi_nibbles, d[g], c[g], 0xCA);
    }
    __mmask64 m0[G], m1[G], m2[G], m3[G];
    TopBits(i0, m0);
    TopBits(i1, m1);
    TopBits(i2, m2);
    TopBits(i3, m3);
    const uint8_t(*t)[256] = x + 6 * k;
    Lookup(t[0], i0, m0, a);
    Lookup(t[1], i1, m1, b);
    Lookup(t[2], i2, m2, c);
    Lookup(t[3], i3, m3, d);
#pragma GCC unroll 4
    for (int g = 0; g < G; ++g) {
      i0[g] = _mm512_or_si512(a[g], b[g]);
      i2[g] = _mm512_or_si512(c[g], d[g]);
    }
    TopBits(i0, m0);
    TopBits(i2, m2);
    Lookup(t[4], i0, m0, a);
    Lookup(t[5], i2, m2, c);
#pragma GCC unroll 4
    for (int g = 0; g < G; ++g) out[k][g] = _mm512_or_si512(a[g], c[g]);
  }
#pragma GCC unroll 4
  for (int k = 0; k < 4; ++k)
#pragma GCC unroll 4
    for (int g = 0; g < G; ++g) column[k][g] = out[k][g];
}

constexpr int kShift[16] = {0, 5, 10, 15, 4, 9, 14, 3, 8, 13, 2, 7, 12, 1, 6, 11};

// Blocks b < count of `in` into byte-sliced lanes: lanes[i][b] = in[16 * b + i], the other lanes
// zero. The transpositions run over whole groups, with bounds the compiler knows.
template <int G>
void Gather(const uint8_t* in, size_t count, __m512i (&state)[16][G]) {
  alignas(64) uint8_t blocks[G * kLanes][16];
  std::memcpy(blocks, in, 16 * count);
  std::memset(blocks[count], 0, 16 * (G * kLanes - count));
  alignas(64) uint8_t lanes[16][G * kLanes];
  for (int b = 0; b < G * kLanes; ++b)
    for (int i = 0; i < 16; ++i) lanes[i][b] = blocks[b][i];
  for (int i = 0; i < 16; ++i)
    for (int g = 0; g < G; ++g) state[i][g] = _mm512_load_si512(lanes[i] + g * kLanes);
}

template <int G>
void Scatter(const __m512i (&state)[16][G], size_t count, uint8_t* out) {
  alignas(64) uint8_t lanes[16][G * kLanes];
  for (int i = 0; i < 16; ++i)
    for (int g = 0; g < G; ++g) _mm512_store_si512(lanes[i] + g * kLanes, state[i][g]);
  alignas(64) uint8_t blocks[G * kLanes][16];
  for (int b = 0; b < G * kLanes; ++b)
    for (int i = 0; i < 16; ++i) blocks[b][i] = lanes[i][b];
  std::memcpy(out, blocks, 16 * count);
}

template <int G>
void EvaluateGroups(const DerivedTables& tables, const uint8_t* in, uint8_t* out, size_t count) {
  __m512i state[16][G];
  Gather<G>(in, count, state);
  for (int r = 0; r < kFullRounds; ++r) {
    for (int j = 0; j < 4; ++j) {
      __m512i column[4][G];
      for (int i = 0; i < 4; ++i)
        for (int g = 0; g < G; ++g) column[i][g] = state[kShift[4 * j + i]][g];
      ColumnStage<G>(tables.ty_bytes[r] + 4 * j, tables.xor_bytes[r] + 24 * j, column);
      ColumnStage<G>(tables.mbl_bytes[r] + 4 * j, tables.xor_bytes[r] + 24 * j, column);
      // Column j of the shifted state goes back into the slots it came from: every slot is read
      // by exactly one column, so the next column reads only unshifted values.
      for (int i = 0; i < 4; ++i)
        for (int g = 0; g < G; ++g) state[kShift[4 * j + i]][g] = column[i][g];
    }
    // The slots now hold the round's output in shifted order: undo that renaming.
    __m512i copy[16][G];
    for (int i = 0; i < 16; ++i)
      for (int g = 0; g < G; ++g) copy[i][g] = state[i][g];
    for (int i = 0; i < 16; ++i)
      for (int g = 0; g < G; ++g) state[i][g] = copy[kShift[i]][g];
  }
  __m512i last[16][G];
  for (int i = 0; i < 16; ++i) {
    __m512i index[G];
    __mmask64 high[G];
    for (int g = 0; g < G; ++g) index[g] = state[kShift[i]][g];
    TopBits(index, high);
    Lookup(tables.last[i], index, high, last[i]);
  }
  Scatter<G>(last, count, out);
}

}  // namespace

void EvaluateBlocksAvx512Vbmi(const DerivedTables& tables, const uint8_t* in, uint8_t* out,
                              size_t count) {
  while (count > 0) {
    const size_t n = count < kMaxBatchBlocks ? count : kMaxBatchBlocks;
    switch ((n + kLanes - 1) / kLanes) {
      case 1:
        EvaluateGroups<1>(tables, in, out, n);
        break;
      case 2:
        EvaluateGroups<2>(tables, in, out, n);
        break;
      case 3:
        EvaluateGroups<3>(tables, in, out, n);
        break;
      default:
        EvaluateGroups<4>(tables, in, out, n);
        break;
    }
    in += 16 * n;
    out += 16 * n;
    count -= n;
  }
}

}  // namespace launcher_cipher

#endif  // LAUNCHER_CIPHER_X86_KERNELS
