#include "aes_whitebox.h"

#include <cstring>

namespace {

constexpr int Nr = 14;  // AES-256: Nr - 1 full rounds in the network, then the last round.

// Working tables: written once by initializeCipher, read-only afterwards, so any number of threads
// may evaluate the network concurrently.
uint8_t Xor[Nr - 1][96][16][16];
uint32_t Tyboxes[Nr - 1][16][256];
uint8_t TboxesLast[16][256];
uint32_t MBL[Nr - 1][16][256];

void ShiftRows(uint8_t state[16]) {
  static constexpr int kPermutation[16] = {0, 5, 10, 15, 4, 9, 14, 3, 8, 13, 2, 7, 12, 1, 6, 11};
  uint8_t copy[16];
  std::memcpy(copy, state, 16);
  for (int i = 0; i < 16; ++i) state[i] = copy[kPermutation[i]];
}

// Folds the four 32-bit words a..d of one column back into its four state bytes through the 24
// nibble-XOR tables of round r, column j. Byte k of the result is built from nibbles k (high) and
// k + 1 (low) of the words, counted from the most significant.
void XorReduce(int r, int j, uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint8_t* column) {
  const uint8_t(*x)[16][16] = Xor[r] + 24 * j;
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
  for (int r = 0; r < Nr - 1; ++r) {
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
  for (int i = 0; i < 16; ++i) state[i] = TboxesLast[i][state[i]];
}

// Adds one to a 128-bit big-endian counter; a full wrap leaves all zeros.
void IncrementCounter(uint8_t counter[16]) {
  for (int i = 15; i >= 0; --i) {
    if (++counter[i] != 0) break;
  }
}

}  // namespace

extern "C" {

void initializeCipher(const uint8_t xorTables[13][96][16][16], const uint32_t tyboxes[13][16][256],
                      const uint8_t tboxesLast[16][256], const uint32_t mbl[13][16][256]) {
  std::memcpy(Xor, xorTables, sizeof Xor);
  std::memcpy(Tyboxes, tyboxes, sizeof Tyboxes);
  std::memcpy(TboxesLast, tboxesLast, sizeof TboxesLast);
  std::memcpy(MBL, mbl, sizeof MBL);
}

void aes_whitebox_encrypt_cfb(const uint8_t iv[16], const uint8_t* input, uint32_t length,
                              uint8_t* output) {
  uint8_t reg[16];
  std::memcpy(reg, iv, 16);
  for (uint32_t i = 0; i < length; ++i) {
    const uint32_t k = i % 16;
    if (k == 0) Cipher(reg);
    reg[k] ^= input[i];
    output[i] = reg[k];
  }
}

void aes_whitebox_decrypt_cfb(const uint8_t iv[16], const uint8_t* input, uint32_t length,
                              uint8_t* output) {
  uint8_t reg[16];
  std::memcpy(reg, iv, 16);
  for (uint32_t i = 0; i < length; ++i) {
    const uint32_t k = i % 16;
    if (k == 0) Cipher(reg);
    const uint8_t ciphertext = input[i];  // read once, so that in-place decryption works too
    output[i] = ciphertext ^ reg[k];
    reg[k] = ciphertext;
  }
}

void aes_whitebox_encrypt_ofb(const uint8_t iv[16], const uint8_t* input, uint32_t length,
                              uint8_t* output) {
  uint8_t reg[16];
  std::memcpy(reg, iv, 16);
  for (uint32_t i = 0; i < length; ++i) {
    const uint32_t k = i % 16;
    if (k == 0) Cipher(reg);
    output[i] = input[i] ^ reg[k];
  }
}

void aes_whitebox_decrypt_ofb(const uint8_t iv[16], const uint8_t* input, uint32_t length,
                              uint8_t* output) {
  aes_whitebox_encrypt_ofb(iv, input, length, output);
}

void aes_whitebox_encrypt_ctr(const uint8_t iv[16], const uint8_t* input, uint32_t length,
                              uint8_t* output) {
  uint8_t counter[16];
  uint8_t keystream[16];
  std::memcpy(counter, iv, 16);
  for (uint32_t i = 0; i < length; ++i) {
    const uint32_t k = i % 16;
    if (k == 0) {
      std::memcpy(keystream, counter, 16);
      Cipher(keystream);
      IncrementCounter(counter);
    }
    output[i] = input[i] ^ keystream[k];
  }
}

void aes_whitebox_decrypt_ctr(const uint8_t iv[16], const uint8_t* input, uint32_t length,
                              uint8_t* output) {
  aes_whitebox_encrypt_ctr(iv, input, length, output);
}

}  // extern "C"
