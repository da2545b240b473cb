// Batch evaluation with AVX-512 VBMI, byte-sliced: one register holds state byte i of 64 blocks.
// A 256-entry byte table is four 64-entry vpermb lookups joined by the index's top two bits; a
// paired Xor table (two nibble entries per byte) is one 128-entry vpermi2b and a nibble choice.
// Up to four groups of 64 blocks go through a column before the next column starts, so the
// column's ~11 KiB of tables serve them all from the L1 cache. Built with AVX-512 flags (see
// aes_whitebox_kernels.h for what that rules out); run only when the processor has AVX-512 F, BW
// and VBMI.
//
// The schedule suits a file of 8 vector registers (a 32-bit process) as well as one of 32: the
// state stays in memory between stages, every table is read by the instruction that uses it, and
// an output byte is finished before the next one starts, so that only a lookup's own operands and
// a few partial results need registers. Holding each table in registers for all groups at once
// ran slower in both processes (spills in the 32-bit one).
#include "aes_whitebox_kernels.h"

#if !defined(__AVX512F__) || !defined(__AVX512BW__) || !defined(__AVX512VBMI__)
#error "compile this file with -mavx512f -mavx512bw -mavx512vbmi"
#endif

#include <immintrin.h>

#include <cstring>

namespace launcher_cipher {

namespace {

constexpr int kLanes = 64;

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

// A 256-entry byte table as four 64-entry vpermb lookups, which cost less than two 128-entry
// vpermi2b: `bit6` and `bit7` mark the lanes whose index has that bit set.
inline __m512i Lookup(const uint8_t* table, __m512i index, __mmask64 bit6, __mmask64 bit7) {
  const __m512i* t = reinterpret_cast<const __m512i*>(table);
  // Zero-masked with every lane set: GCC 12's unmasked vpermb intrinsic trips -Wuninitialized.
  const __mmask64 all = ~__mmask64{0};
  __m512i lo = _mm512_maskz_permutexvar_epi8(all, index, _mm512_load_si512(t));
  lo = _mm512_mask_permutexvar_epi8(lo, bit6, index, _mm512_load_si512(t + 1));
  __m512i hi = _mm512_maskz_permutexvar_epi8(all, index, _mm512_load_si512(t + 2));
  hi = _mm512_mask_permutexvar_epi8(hi, bit6, index, _mm512_load_si512(t + 3));
  return _mm512_mask_blend_epi8(bit7, lo, hi);
}

inline __mmask64 Bit6(__m512i index) {
  return _mm512_test_epi8_mask(index, _mm512_set1_epi8(0x40));
}

// A paired Xor table (layout in aes_whitebox_kernels.h): one 128-entry lookup yields the entries
// of index and index ^ 0x80, one per nibble; the index's top bit picks one. The entry lands in the
// low nibble (PairedLow) or the high one (PairedHigh); the other nibble holds garbage.
inline __m512i PairedLookup(const uint8_t* paired, __m512i index) {
  const __m512i* t = reinterpret_cast<const __m512i*>(paired);
  return _mm512_permutex2var_epi8(_mm512_load_si512(t), index, _mm512_load_si512(t + 1));
}

inline __m512i PairedLow(const uint8_t* paired, __m512i index) {
  const __m512i both = PairedLookup(paired, index);
  return _mm512_mask_blend_epi8(_mm512_movepi8_mask(index), both, _mm512_srli_epi16(both, 4));
}

inline __m512i PairedHigh(const uint8_t* paired, __m512i index) {
  const __m512i both = PairedLookup(paired, index);
  return _mm512_mask_blend_epi8(_mm512_movepi8_mask(index), _mm512_slli_epi16(both, 4), both);
}

// (high & 0xF0) | (low & 0x0F).
inline __m512i JoinNibbles(__m512i high, __m512i low) {
  // 0xE4: bitwise select, third operand ? first : second.
  return _mm512_ternarylogic_epi32(high, low, _mm512_set1_epi8(static_cast<char>(0xF0)), 0xE4);
}

// One stage (Ty or MBL) of one column for I groups side by side, from `column[i * G + u]` to
// `out[k * G + u]` (i, k = 0..3, u < I). The values pass through memory, where lookups take them
// as operands, so that between two lookups only a few values are alive.
template <int G, int I>
inline void ColumnStage(const uint8_t (*words)[4][256], const uint8_t (*x)[8][16],
                        const __m512i* column, __m512i* out) {
  __mmask64 high[4][I], bit6[4][I];
#pragma GCC unroll 4
  for (int i = 0; i < 4; ++i)
#pragma GCC unroll 4
    for (int u = 0; u < I; ++u) {
      high[i][u] = _mm512_movepi8_mask(column[i * G + u]);
      bit6[i][u] = Bit6(column[i * G + u]);
    }
  for (int k = 0; k < 4; ++k) {
    const uint8_t(*t)[8][16] = x + 6 * k;
    __m512i n0[I], n1[I], n2[I], n3[I];
#pragma GCC unroll 4
    for (int u = 0; u < I; ++u) {
      const __m512i a = Lookup(words[0][k], column[u], bit6[0][u], high[0][u]);
      const __m512i b = Lookup(words[1][k], column[G + u], bit6[1][u], high[1][u]);
      n0[u] = PairedHigh(t[0][0], JoinNibbles(a, b));
      n2[u] = PairedHigh(t[2][0], JoinNibbles(b, a));
    }
#pragma GCC unroll 4
    for (int u = 0; u < I; ++u) {
      const __m512i c = Lookup(words[2][k], column[2 * G + u], bit6[2][u], high[2][u]);
      const __m512i d = Lookup(words[3][k], column[3 * G + u], bit6[3][u], high[3][u]);
      n1[u] = PairedLow(t[1][0], JoinNibbles(c, d));
      n3[u] = PairedLow(t[3][0], JoinNibbles(d, c));
    }
#pragma GCC unroll 4
    for (int u = 0; u < I; ++u) {
      out[k * G + u] = JoinNibbles(PairedHigh(t[4][0], JoinNibbles(n0[u], n1[u])),
                                   PairedLow(t[5][0], JoinNibbles(n2[u], n3[u])));
    }
  }
}

// With 32 vector registers all groups of a pass go through a stage side by side, which gives the
// processor independent lookups to overlap; with 8 they would spill, so there one group follows
// another (their stages are independent too, but further apart in program order).
constexpr bool kThirtyTwoVectorRegisters = sizeof(void*) == 8;

template <int G>
void EvaluateGroups(const DerivedTables& tables, const uint8_t* in, uint8_t* out, size_t count) {
  // Slot i of a round's input holds state byte kShiftRows[i], so column j reads slots 4j..4j+3 and
  // ShiftRows is only where each output byte is stored.
  __m512i state[2][16][G];
  {
    __m512i gathered[16][G];
    Gather<G>(in, count, gathered);
    for (int i = 0; i < 16; ++i)
      for (int g = 0; g < G; ++g) state[0][i][g] = gathered[kShiftRows[i]][g];
  }
  constexpr int kInterleave = kThirtyTwoVectorRegisters ? G : 1;
  for (int r = 0; r < kFullRounds; ++r) {
    const __m512i(*from)[G] = state[r & 1];
    __m512i(*to)[G] = state[(r & 1) ^ 1];
    for (int j = 0; j < 4; ++j) {
      __m512i mixed[4][G];
      __m512i result[4][G];
      for (int g = 0; g < G; g += kInterleave)
        ColumnStage<G, kInterleave>(tables.ty_bytes[r] + 4 * j,
                                    tables.xor_paired[r] + kXorTablesPerColumn * j, &from[4 * j][g],
                                    &mixed[0][g]);
      for (int g = 0; g < G; g += kInterleave)
        ColumnStage<G, kInterleave>(tables.mbl_bytes[r] + 4 * j,
                                    tables.xor_paired[r] + kXorTablesPerColumn * j, &mixed[0][g],
                                    &result[0][g]);
      for (int k = 0; k < 4; ++k)
        for (int g = 0; g < G; ++g) to[kUnshiftRows.at[4 * j + k]][g] = result[k][g];
    }
  }
  __m512i last[16][G];
  for (int i = 0; i < 16; ++i)
    for (int g = 0; g < G; ++g) {
      const __m512i index = state[kFullRounds & 1][i][g];
      last[i][g] = Lookup(tables.last[i], index, Bit6(index), _mm512_movepi8_mask(index));
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
