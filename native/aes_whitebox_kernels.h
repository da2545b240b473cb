// Private to the cipher: the derived table layouts that the fast evaluations of the network read,
// and the per-instruction-set kernels over them. Every kernel computes exactly the network of
// aes_whitebox.cpp (Cipher) for the table set loaded by initializeCipher, whatever the tables hold,
// provided every Xor entry lies in 0..15.
#ifndef LAUNCHER_NATIVE_AES_WHITEBOX_KERNELS_H_
#define LAUNCHER_NATIVE_AES_WHITEBOX_KERNELS_H_

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#define LAUNCHER_CIPHER_X86_KERNELS 1
#else
#define LAUNCHER_CIPHER_X86_KERNELS 0
#endif

namespace launcher_cipher {

inline constexpr int kFullRounds = 13;

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
  uint32_t ty_words[kFullRounds][16][256];
  uint32_t mbl_words[kFullRounds][16][256];
  // Byte-sliced layout for the vector evaluations: [round][position][output byte k][input byte].
  uint8_t ty_bytes[kFullRounds][16][4][256];
  uint8_t mbl_bytes[kFullRounds][16][4][256];
  // [round][24 * column + t][p:q or q:p as above].
  uint8_t xor_bytes[kFullRounds][96][256];
  // The same tables, unshifted, two entries per byte (AVX2 row lookups, AVX-512 128-entry
  // lookups): with u:v the index above, entry [m][v] holds the entry of index m:v in its low nibble
  // and that of index (m + 8):v in its high nibble.
  uint8_t xor_paired[kFullRounds][96][8][16];
  uint8_t last[16][256];
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
#if LAUNCHER_CIPHER_X86_KERNELS
void EvaluateBlocksAvx2(const DerivedTables& tables, const uint8_t* in, uint8_t* out, size_t count);
void EvaluateBlocksAvx512Vbmi(const DerivedTables& tables, const uint8_t* in, uint8_t* out,
                              size_t count);
#endif

}  // namespace launcher_cipher

#endif  // LAUNCHER_NATIVE_AES_WHITEBOX_KERNELS_H_
