#include "aes_whitebox.h"

#include <cstring>

#include "aes_whitebox_internal.h"
#include "aes_whitebox_kernels.h"

namespace launcher_cipher {
DerivedTables g_derived;
}  // namespace launcher_cipher

namespace {

using launcher_cipher::BatchKernel;
using launcher_cipher::BatchPath;
using launcher_cipher::CipherPath;
using launcher_cipher::DerivedTables;
using launcher_cipher::g_derived;
using launcher_cipher::kMaxBatchBlocks;

// Working tables: written by initializeCipher, read-only until it runs again, so any number of
// threads may evaluate the network concurrently in between.
uint8_t Xor[kFullRounds][kXorTablesPerRound][kNibbleValues][kNibbleValues];
uint32_t Tyboxes[kFullRounds][kStatePositions][kByteValues];
uint8_t TboxesLast[kStatePositions][kByteValues];
uint32_t MBL[kFullRounds][kStatePositions][kByteValues];

// ShiftRows, XorReduce and Cipher define the network one table read at a time. The stream modes
// normally run the faster derived-layout evaluations below, which must compute exactly this; the
// definition itself serves as the kDefinition path.
void ShiftRows(uint8_t state[kStatePositions]) {
  uint8_t copy[kStatePositions];
  std::memcpy(copy, state, sizeof copy);
  for (int i = 0; i < kStatePositions; ++i) state[i] = copy[kShiftRows[i]];
}

// Folds the four 32-bit words a..d of one column back into its four state bytes through the 24
// nibble-XOR tables of round r, column j. Byte k of the result is built from nibbles k (high) and
// k + 1 (low) of the words, counted from the most significant.
void XorReduce(int r, int j, uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint8_t* column) {
  const uint8_t(*x)[16][16] = Xor[r] + kXorTablesPerColumn * j;
  for (int k = 0; k < 4; ++k) {
    const int h = 28 - 8 * k;
    const int l = h - 4;
    const uint8_t(*t)[16][16] = x + 6 * k;
    const uint8_t n0 = t[0][(a >> h) & 15][(b >> h) & 15];
    const uint8_t n1 = t[1][(c >> h) & 15][(d >> h) & 15];
    const uint8_t n2 = t[2][(a >> l) & 15][(b >> l) & 15];
    const uint8_t n3 = t[3][(c >> l) & 15][(d >> l) & 15];
    column[k] = static_cast<uint8_t>((t[4][n0][n1] << 4) | t[5][n2][n3]);
  }
}

// Runs the network on one block in place. The transform adds nothing of its own: what it computes
// is fixed wholly by the tables.
void Cipher(uint8_t state[16]) {
  for (int r = 0; r < kFullRounds; ++r) {
    ShiftRows(state);
    for (int j = 0; j < 4; ++j) {
      uint8_t* column = state + 4 * j;
      XorReduce(r, j, Tyboxes[r][4 * j][column[0]], Tyboxes[r][4 * j + 1][column[1]],
                Tyboxes[r][4 * j + 2][column[2]], Tyboxes[r][4 * j + 3][column[3]], column);
      XorReduce(r, j, MBL[r][4 * j][column[0]], MBL[r][4 * j + 1][column[1]],
                MBL[r][4 * j + 2][column[2]], MBL[r][4 * j + 3][column[3]], column);
    }
  }
  ShiftRows(state);
  for (int i = 0; i < kStatePositions; ++i) state[i] = TboxesLast[i][state[i]];
}

uint32_t SwapNibbles(uint32_t word) {
  return ((word >> 4) & 0x0F0F0F0Fu) | ((word << 4) & 0xF0F0F0F0u);
}

// Fills g_derived from the working tables (layouts described in aes_whitebox_kernels.h); the
// layouts only the vector kernels read are left alone unless `vector_layouts`.
void BuildDerivedTables(bool vector_layouts) {
  DerivedTables& d = g_derived;
  for (int r = 0; r < kFullRounds; ++r) {
    for (int i = 0; i < kStatePositions; ++i) {
      const uint32_t swap_mask = (i & 1) != 0 ? ~0u : 0u;
      for (int x = 0; x < 256; ++x) {
        const uint32_t ty = Tyboxes[r][i][x];
        const uint32_t mbl = MBL[r][i][x];
        d.ty_words[r][i][x] = ty ^ ((ty ^ SwapNibbles(ty)) & swap_mask);
        d.mbl_words[r][i][x] = mbl ^ ((mbl ^ SwapNibbles(mbl)) & swap_mask);
      }
      for (int k = 0; vector_layouts && k < 4; ++k) {
        for (int x = 0; x < 256; ++x) {
          d.ty_bytes[r][i][k][x] = static_cast<uint8_t>(d.ty_words[r][i][x] >> (24 - 8 * k));
          d.mbl_bytes[r][i][k][x] = static_cast<uint8_t>(d.mbl_words[r][i][x] >> (24 - 8 * k));
        }
      }
    }
    for (int t = 0; t < kXorTablesPerRound; ++t) {
      const int kind = t % 6;
      // Entries in the order of the derived index, unshifted.
      uint8_t ordered[256];
      if (kind == 2 || kind == 3) {
        for (int p = 0; p < 16; ++p)
          for (int q = 0; q < 16; ++q) ordered[q << 4 | p] = Xor[r][t][p][q];
      } else {
        std::memcpy(ordered, Xor[r][t], 256);
      }
      const uint8_t high = kind == 0 || kind == 2 || kind == 4 ? 16 : 1;
      for (int i = 0; i < 256; ++i) d.xor_bytes[r][t][i] = static_cast<uint8_t>(ordered[i] * high);
      uint8_t* paired = &d.xor_paired[r][t][0][0];
      for (int i = 0; vector_layouts && i < 128; ++i) {
        paired[i] = static_cast<uint8_t>(ordered[i] | ordered[i + 128] << 4);
      }
    }
  }
  std::memcpy(d.last, TboxesLast, sizeof d.last);
}

using OneBlock = void (*)(uint8_t state[16]);

// The scalar evaluation over the derived layouts: the serial modes' evaluation on every path but
// kDefinition.
void DerivedBlock(uint8_t state[16]) { launcher_cipher::EvaluateBlockPortable(g_derived, state); }

struct PathChoice {
  CipherPath path;
  OneBlock one_block;  // one block in place: serial modes, short runs, leftovers of a batch
  BatchKernel batch;   // nullptr: one block at a time
  size_t lanes;        // as in BatchPath
  size_t min_batch;
};

PathChoice g_path = {CipherPath::kPortable, DerivedBlock, nullptr, 1, 0};

bool IsScalar(CipherPath path) {
  return path == CipherPath::kDefinition || path == CipherPath::kPortable;
}

bool Supported(CipherPath path) {
  return IsScalar(path) || launcher_cipher::BatchPathFor(path) != nullptr;
}

// REQUIRES: Supported(path).
PathChoice ChoiceFor(CipherPath path) {
  if (path == CipherPath::kDefinition) return {path, Cipher, nullptr, 1, 0};
  if (path == CipherPath::kPortable) return {path, DerivedBlock, nullptr, 1, 0};
  const BatchPath& batch = *launcher_cipher::BatchPathFor(path);
  return {path, DerivedBlock, batch.evaluate, batch.lanes, batch.min_batch};
}

// Keystream for `count` (<= kMaxBatchBlocks) independent input blocks.
void EvaluateBlocks(const uint8_t* in, uint8_t* out, size_t count) {
  const PathChoice choice = g_path;
  size_t batched = 0;
  if (choice.batch != nullptr) {
    const size_t rest = count % choice.lanes;
    batched = rest != 0 && rest < choice.min_batch ? count - rest : count;
    if (batched != 0) choice.batch(g_derived, in, out, batched);
  }
  std::memcpy(out + 16 * batched, in + 16 * batched, 16 * (count - batched));
  for (size_t b = batched; b < count; ++b) {
    choice.one_block(out + 16 * b);
  }
}

// Adds one to a 128-bit big-endian counter; a full wrap leaves all zeros.
void IncrementCounter(uint8_t counter[16]) {
  for (int i = 15; i >= 0; --i) {
    if (++counter[i] != 0) break;
  }
}

// output[i] = input[i] ^ keystream[i], in ascending order, each input byte read before the output
// byte at the same index is written: the overlaps the modes allow stay correct.
void XorKeystream(const uint8_t* input, const uint8_t* keystream, uint32_t length,
                  uint8_t* output) {
  for (uint32_t i = 0; i < length; ++i) output[i] = static_cast<uint8_t>(input[i] ^ keystream[i]);
}

uint32_t BlocksFor(uint32_t remaining) {
  const uint32_t blocks = remaining / 16 + (remaining % 16 != 0);
  return blocks < kMaxBatchBlocks ? blocks : static_cast<uint32_t>(kMaxBatchBlocks);
}

}  // namespace

namespace launcher_cipher {

bool SetCipherPathForTesting(CipherPath path, bool batch_every_count) {
  if (!Supported(path)) return false;
  g_path = ChoiceFor(path);
  if (batch_every_count) g_path.min_batch = 1;
  return true;
}

CipherPath ActiveCipherPath() { return g_path.path; }

}  // namespace launcher_cipher

extern "C" {

void initializeCipher(
    const uint8_t xorTables[kFullRounds][kXorTablesPerRound][kNibbleValues][kNibbleValues],
    const uint32_t tyboxes[kFullRounds][kStatePositions][kByteValues],
    const uint8_t tboxesLast[kStatePositions][kByteValues],
    const uint32_t mbl[kFullRounds][kStatePositions][kByteValues]) {
  std::memcpy(Xor, xorTables, sizeof Xor);
  std::memcpy(Tyboxes, tyboxes, sizeof Tyboxes);
  std::memcpy(TboxesLast, tboxesLast, sizeof TboxesLast);
  std::memcpy(MBL, mbl, sizeof MBL);
  BuildDerivedTables(Supported(CipherPath::kAvx2) || Supported(CipherPath::kAvx512Vbmi));
  static constexpr CipherPath kFastestFirst[] = {CipherPath::kAvx512Vbmi, CipherPath::kAvx2,
                                                 CipherPath::kPortable};
  for (CipherPath path : kFastestFirst) {
    if (Supported(path)) {
      g_path = ChoiceFor(path);
      break;
    }
  }
}

void aes_whitebox_encrypt_cfb(const uint8_t iv[16], const uint8_t* input, uint32_t length,
                              uint8_t* output) {
  uint8_t reg[16];
  std::memcpy(reg, iv, 16);
  for (uint32_t start = 0; start < length; start += 16) {
    g_path.one_block(reg);
    const uint32_t n = length - start < 16 ? length - start : 16;
    for (uint32_t k = 0; k < n; ++k) {
      reg[k] ^= input[start + k];
      output[start + k] = reg[k];
    }
  }
}

// Keystream block i is the transform of ciphertext block i - 1 (of the IV for i = 0), so each
// batch's inputs are copied out of `input` before any of the batch's output is written; the copy
// also keeps the last ciphertext block of the batch for the next one.
void aes_whitebox_decrypt_cfb(const uint8_t iv[16], const uint8_t* input, uint32_t length,
                              uint8_t* output) {
  uint8_t blocks[16 * kMaxBatchBlocks];
  uint8_t keystream[16 * kMaxBatchBlocks];
  std::memcpy(blocks, iv, 16);
  for (uint32_t start = 0; start < length;) {
    const uint32_t count = BlocksFor(length - start);
    const uint32_t bytes = length - start < 16 * count ? length - start : 16 * count;
    std::memcpy(blocks + 16, input + start, 16 * (count - 1));
    EvaluateBlocks(blocks, keystream, count);
    if (bytes == 16 * count) std::memcpy(blocks, input + start + 16 * (count - 1), 16);
    XorKeystream(input + start, keystream, bytes, output + start);
    start += bytes;
  }
}

void aes_whitebox_encrypt_ofb(const uint8_t iv[16], const uint8_t* input, uint32_t length,
                              uint8_t* output) {
  uint8_t reg[16];
  std::memcpy(reg, iv, 16);
  for (uint32_t start = 0; start < length; start += 16) {
    g_path.one_block(reg);
    const uint32_t n = length - start < 16 ? length - start : 16;
    XorKeystream(input + start, reg, n, output + start);
  }
}

void aes_whitebox_decrypt_ofb(const uint8_t iv[16], const uint8_t* input, uint32_t length,
                              uint8_t* output) {
  aes_whitebox_encrypt_ofb(iv, input, length, output);
}

void aes_whitebox_encrypt_ctr(const uint8_t iv[16], const uint8_t* input, uint32_t length,
                              uint8_t* output) {
  uint8_t counters[16 * kMaxBatchBlocks];
  uint8_t keystream[16 * kMaxBatchBlocks];
  uint8_t counter[16];
  std::memcpy(counter, iv, 16);
  for (uint32_t start = 0; start < length;) {
    const uint32_t count = BlocksFor(length - start);
    const uint32_t bytes = length - start < 16 * count ? length - start : 16 * count;
    for (uint32_t b = 0; b < count; ++b) {
      std::memcpy(counters + 16 * b, counter, 16);
      IncrementCounter(counter);
    }
    EvaluateBlocks(counters, keystream, count);
    XorKeystream(input + start, keystream, bytes, output + start);
    start += bytes;
  }
}

void aes_whitebox_decrypt_ctr(const uint8_t iv[16], const uint8_t* input, uint32_t length,
                              uint8_t* output) {
  aes_whitebox_encrypt_ctr(iv, input, length, output);
}

}  // extern "C"
