// Private to the cipher: the derived table layouts that the fast evaluations of the network read,
// and the per-instruction-set kernels over them. Every kernel computes exactly the network of
// aes_whitebox.cpp (Cipher) for the table set loaded by initializeCipher, whatever the tables hold,
// provided every Xor entry lies in 0..15.
#ifndef LAUNCHER_NATIVE_AES_WHITEBOX_KERNELS_H_
#define LAUNCHER_NATIVE_AES_WHITEBOX_KERNELS_H_

#include <cstddef>
#include <cstdint>

#include "aes_whitebox_internal.h"
#include "aes_whitebox_shape.h"

namespace launcher_cipher {

struct StatePermutation {
  int at[kStatePositions];
};

// ShiftRows undone: position kShiftRows[i] goes back to i.
inline constexpr StatePermutation kUnshiftRows = [] {
  StatePermutation inverse{};
  for (int i = 0; i < kStatePositions; ++i) inverse.at[kShiftRows[i]] = i;
  return inverse;
}();

// Every derived layout is a function of the working tables alone and is rebuilt in full by
// initializeCipher; the byte-sliced and paired layouts only when the processor can run a vector
// kernel. Byte tables hold 256 entries and start on a 64-byte boundary.
//
// Nibble arrangement. Byte k of a 32-bit Ty/MBL word (k = 0 most significant) carries the nibbles
// the Xor reduction pairs for output byte k: high nibble h = bits 28-8k.., low nibble l. The words
// of column positions 1 and 3 (operands b and d) are stored with the two nibbles of every byte
// swapped, so that for byte k both first-level indices come from a single bitwise select:
//   (a & 0xF0) | (b' & 0x0F) = a_h:b_h   (index p:q of Xor table 6k, 6k+1 likewise with c, d')
//   (b' & 0xF0) | (a & 0x0F) = b_l:a_l   (index q:p, so tables 6k+2, 6k+3 are stored transposed)
// Xor tables 6k, 6k+1, 6k+4 (operands landing in a high nibble) hold their entries shifted left by
// four, so the next index and the output byte are plain ORs of two lookups.
struct alignas(64) DerivedTables {
  // Word layout for the scalar evaluation: [round][position][input byte].
  uint32_t ty_words[kFullRounds][kStatePositions][kByteValues];
  uint32_t mbl_words[kFullRounds][kStatePositions][kByteValues];
  // Byte-sliced layout for the vector evaluations: [round][position][output byte k][input byte].
  uint8_t ty_bytes[kFullRounds][kStatePositions][4][kByteValues];
  uint8_t mbl_bytes[kFullRounds][kStatePositions][4][kByteValues];
  // [round][24 * column + t][p:q or q:p as above].
  uint8_t xor_bytes[kFullRounds][kXorTablesPerRound][kByteValues];
  // The same tables, unshifted, two entries per byte (AVX2 row lookups, AVX-512 128-entry
  // lookups): with u:v the index above, entry [m][v] holds the entry of index m:v in its low nibble
  // and that of index (m + 8):v in its high nibble.
  uint8_t xor_paired[kFullRounds][kXorTablesPerRound][8][16];
  uint8_t last[kStatePositions][kByteValues];
};

// Filled by initializeCipher; read-only afterwards.
extern DerivedTables g_derived;

// One block through the network, in place: scalar code for any target.
void EvaluateBlockPortable(const DerivedTables& tables, uint8_t block[16]);

// The files defining these are compiled with their instruction set's flags. They may not define or
// instantiate inline functions or templates with external linkage (the standard library's
// included): the linker keeps one copy of such a function for the whole program, and it could be
// the copy built for AVX-512 that portable code ends up calling.
//
// `count` blocks (1 <= count <= kMaxBatchBlocks) from `in` to `out` (16 * count bytes each; they
// may not overlap). Blocks are independent; any count works, small ones waste vector lanes.
inline constexpr size_t kMaxBatchBlocks = 256;
using BatchKernel = void (*)(const DerivedTables& tables, const uint8_t* in, uint8_t* out,
                             size_t count);
// x86 only (aes_whitebox_avx2.cpp, aes_whitebox_avx512.cpp).
void EvaluateBlocksAvx2(const DerivedTables& tables, const uint8_t* in, uint8_t* out, size_t count);
void EvaluateBlocksAvx512Vbmi(const DerivedTables& tables, const uint8_t* in, uint8_t* out,
                              size_t count);

// A vector path: its kernel and how the stream modes use it.
struct BatchPath {
  BatchKernel evaluate;
  size_t lanes;  // blocks the kernel evaluates in one go
  // A run of fewer blocks than this that would occupy a group of lanes of its own goes one block
  // at a time instead (see the definitions for the measurements).
  size_t min_batch;
};

// Says which vector paths exist: defined once per architecture, in the file the build compiles
// together with that architecture's kernels (aes_whitebox_paths_x86.cpp, or
// aes_whitebox_paths_none.cpp where there are no kernels). Returns the batch path of `path` iff
// this build has its kernel and this processor can run it; nullptr otherwise, and always for
// kDefinition and kPortable, which are scalar.
const BatchPath* BatchPathFor(CipherPath path);

}  // namespace launcher_cipher

#endif  // LAUNCHER_NATIVE_AES_WHITEBOX_KERNELS_H_
