// Batch evaluation with AVX2, byte-sliced: one register holds state byte i of 32 blocks. AVX2
// looks up only 16 entries at a time (vpshufb), so a 256-entry table is 16 row lookups by the
// index's low nibble followed by a four-level vpblendvb tree on its high nibble; an Xor table,
// whose entries are nibbles, packs two rows per byte and needs eight rows and three levels.
// Built with AVX2 flags (see aes_whitebox_kernels.h for what that rules out); run only when the
// processor has AVX2.
#include "aes_whitebox_kernels.h"

#if !defined(__AVX2__)
#error "compile this file with -mavx2"
#endif

#include <immintrin.h>

#include <cstring>

namespace launcher_cipher {

namespace {

constexpr int kLanes = 32;

// The index split for row lookups: its low nibble, and each high-nibble bit moved to bit 7, where
// vpblendvb reads its selector.
struct Index {
  __m256i low;
  __m256i bit4, bit5, bit6, bit7;
};

inline Index Split(__m256i x) {
  return {_mm256_and_si256(x, _mm256_set1_epi8(0x0F)), _mm256_slli_epi16(x, 3),
          _mm256_slli_epi16(x, 2), _mm256_slli_epi16(x, 1), x};
}

// The index high:low whose high nibble is that of `high` (whatever its low nibble holds) and whose
// low nibble is `low`, which must have bit 7 clear: no need to assemble the byte first.
inline Index Split(__m256i high, __m256i low) {
  return {low, _mm256_slli_epi16(high, 3), _mm256_slli_epi16(high, 2), _mm256_slli_epi16(high, 1),
          high};
}

inline __m256i Row(const uint8_t* row, const Index& x) {
  const __m256i table =
      _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row)));
  return _mm256_shuffle_epi8(table, x.low);
}

// Rows `row` .. `row` + 7 (16 bytes each), selected by bits 4..6 of the index.
inline __m256i EightRows(const uint8_t* row, const Index& x) {
  const __m256i r01 = _mm256_blendv_epi8(Row(row, x), Row(row + 16, x), x.bit4);
  const __m256i r23 = _mm256_blendv_epi8(Row(row + 32, x), Row(row + 48, x), x.bit4);
  const __m256i r03 = _mm256_blendv_epi8(r01, r23, x.bit5);
  const __m256i r45 = _mm256_blendv_epi8(Row(row + 64, x), Row(row + 80, x), x.bit4);
  const __m256i r67 = _mm256_blendv_epi8(Row(row + 96, x), Row(row + 112, x), x.bit4);
  const __m256i r47 = _mm256_blendv_epi8(r45, r67, x.bit5);
  return _mm256_blendv_epi8(r03, r47, x.bit6);
}

// A 256-entry byte table.
inline __m256i LookupBytes(const uint8_t* table, const Index& x) {
  return _mm256_blendv_epi8(EightRows(table, x), EightRows(table + 128, x), x.bit7);
}

// A paired Xor table (layout in aes_whitebox_kernels.h): the entry in the low nibble, the high
// nibble zero.
inline __m256i LookupLowNibble(const uint8_t* paired, const Index& x) {
  const __m256i both = EightRows(paired, x);
  const __m256i chosen = _mm256_blendv_epi8(both, _mm256_srli_epi16(both, 4), x.bit7);
  return _mm256_and_si256(chosen, _mm256_set1_epi8(0x0F));
}

// The entry in the high nibble; the low nibble holds garbage.
inline __m256i LookupHighNibble(const uint8_t* paired, const Index& x) {
  const __m256i both = EightRows(paired, x);
  return _mm256_blendv_epi8(_mm256_slli_epi16(both, 4), both, x.bit7);
}

// One stage (Ty or MBL) of one column for one group of 32 blocks (see the AVX-512 kernel, which
// has the same structure).
inline void ColumnStage(const uint8_t (*words)[4][256], const uint8_t (*x)[8][16],
                        __m256i (&column)[4]) {
  const Index in[4] = {Split(column[0]), Split(column[1]), Split(column[2]), Split(column[3])};
  const __m256i lo_nibbles = _mm256_set1_epi8(0x0F);
  const __m256i hi_nibbles = _mm256_set1_epi8(static_cast<char>(0xF0));
  __m256i out[4];
  // Not forced to unroll (unlike the AVX-512 kernel): fully unrolled, the four bytes' values
  // outgrow the 16 vector registers and the kernel ran 20 % slower.
  for (int k = 0; k < 4; ++k) {
    const __m256i a = LookupBytes(words[0][k], in[0]);
    const __m256i b = LookupBytes(words[1][k], in[1]);
    const __m256i c = LookupBytes(words[2][k], in[2]);
    const __m256i d = LookupBytes(words[3][k], in[3]);
    // First-level indices a_h:b_h, c_h:d_h, b_l:a_l, d_l:c_l (b and d are nibble-swapped).
    const uint8_t(*t)[8][16] = x + 6 * k;
    const __m256i n0 = LookupHighNibble(t[0][0], Split(a, _mm256_and_si256(b, lo_nibbles)));
    const __m256i n1 = LookupLowNibble(t[1][0], Split(c, _mm256_and_si256(d, lo_nibbles)));
    const __m256i n2 = LookupHighNibble(t[2][0], Split(b, _mm256_and_si256(a, lo_nibbles)));
    const __m256i n3 = LookupLowNibble(t[3][0], Split(d, _mm256_and_si256(c, lo_nibbles)));
    out[k] = _mm256_or_si256(_mm256_and_si256(LookupHighNibble(t[4][0], Split(n0, n1)), hi_nibbles),
                             LookupLowNibble(t[5][0], Split(n2, n3)));
  }
  for (int k = 0; k < 4; ++k) column[k] = out[k];
}

// Up to G * 32 blocks; the groups share each round's tables while they are in the L1 cache.
template <int G>
void EvaluateGroups(const DerivedTables& tables, const uint8_t* in, uint8_t* out, size_t count) {
  alignas(32) uint8_t lanes[16][G * kLanes];
  std::memset(lanes, 0, sizeof lanes);
  for (size_t b = 0; b < count; ++b)
    for (int i = 0; i < 16; ++i) lanes[i][b] = in[16 * b + i];
  __m256i state[G][16];
  for (int g = 0; g < G; ++g)
    for (int i = 0; i < 16; ++i)
      state[g][i] = _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes[i] + g * kLanes));

  for (int r = 0; r < kFullRounds; ++r) {
    for (int j = 0; j < 4; ++j) {
      for (int g = 0; g < G; ++g) {
        __m256i column[4];
        for (int i = 0; i < 4; ++i) column[i] = state[g][kShiftRows[4 * j + i]];
        ColumnStage(tables.ty_bytes[r] + 4 * j, tables.xor_paired[r] + kXorTablesPerColumn * j,
                    column);
        ColumnStage(tables.mbl_bytes[r] + 4 * j, tables.xor_paired[r] + kXorTablesPerColumn * j,
                    column);
        // Slot kShiftRows[m] now holds output position m (each slot belongs to one column).
        for (int i = 0; i < 4; ++i) state[g][kShiftRows[4 * j + i]] = column[i];
      }
    }
    for (int g = 0; g < G; ++g) {
      __m256i copy[16];
      for (int i = 0; i < 16; ++i) copy[i] = state[g][i];
      for (int i = 0; i < 16; ++i) state[g][i] = copy[kShiftRows[i]];
    }
  }
  for (int g = 0; g < G; ++g)
    for (int i = 0; i < 16; ++i)
      _mm256_store_si256(reinterpret_cast<__m256i*>(lanes[i] + g * kLanes),
                         LookupBytes(tables.last[i], Split(state[g][kShiftRows[i]])));
  for (size_t b = 0; b < count; ++b)
    for (int i = 0; i < 16; ++i) out[16 * b + i] = lanes[i][b];
}

}  // namespace

void EvaluateBlocksAvx2(const DerivedTables& tables, const uint8_t* in, uint8_t* out,
                        size_t count) {
  while (count > 0) {
    const size_t n = count < kMaxBatchBlocks ? count : kMaxBatchBlocks;
    const size_t groups = (n + kLanes - 1) / kLanes;
    if (groups <= 1) {
      EvaluateGroups<1>(tables, in, out, n);
    } else if (groups <= 2) {
      EvaluateGroups<2>(tables, in, out, n);
    } else if (groups <= 4) {
      EvaluateGroups<4>(tables, in, out, n);
    } else {
      EvaluateGroups<8>(tables, in, out, n);
    }
    in += 16 * n;
    out += 16 * n;
    count -= n;
  }
}

}  // namespace launcher_cipher
