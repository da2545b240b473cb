// White-box AES-256: the block transform is a fixed network of lookup tables into which the key has
// been folded offline, so the key itself never exists in this process. Only the forward direction
// exists; the stream modes below need nothing else.
#ifndef LAUNCHER_NATIVE_AES_WHITEBOX_H_
#define LAUNCHER_NATIVE_AES_WHITEBOX_H_

#include <stdint.h>

#include "aes_whitebox_shape.h"

#ifdef __cplusplus
extern "C" {
#endif

// Copies the four constant tables, in full and in this order, into the process-wide working tables
// that every function below reads, and chooses the fastest evaluation the processor has.
// REQUIRES: called before any other function of this header. A later call replaces the tables
// (the tests load one table set after another), but only while no other thread is inside any
// function of this header: nothing guards the working tables. Every Xor entry lies in 0..15 (the
// network uses Xor outputs as indices unmasked).
void initializeCipher(
    const uint8_t xorTables[kFullRounds][kXorTablesPerRound][kNibbleValues][kNibbleValues],
    const uint32_t tyboxes[kFullRounds][kStatePositions][kByteValues],
    const uint8_t tboxesLast[kStatePositions][kByteValues],
    const uint32_t mbl[kFullRounds][kStatePositions][kByteValues]);

// Stream modes after NIST SP 800-38A (CFB with 128-bit feedback, OFB, CTR with a 128-bit big-endian
// counter). Each call starts from `iv` (16 bytes, copied at entry, never written) and processes
// `length` bytes (any length; a partial last block uses the first bytes of its keystream block).
// Bytes are processed in ascending order and each input byte is read before the output byte at the
// same index is written, so `output` may equal `input` (in-place); in no function may `output`
// begin inside `input` after its first byte. `iv` may overlap either buffer. Thread-safe once the
// tables are loaded.
void aes_whitebox_encrypt_cfb(const uint8_t iv[16], const uint8_t* input, uint32_t length,
                              uint8_t* output);
void aes_whitebox_decrypt_cfb(const uint8_t iv[16], const uint8_t* input, uint32_t length,
                              uint8_t* output);
void aes_whitebox_encrypt_ofb(const uint8_t iv[16], const uint8_t* input, uint32_t length,
                              uint8_t* output);
void aes_whitebox_decrypt_ofb(const uint8_t iv[16], const uint8_t* input, uint32_t length,
                              uint8_t* output);
void aes_whitebox_encrypt_ctr(const uint8_t iv[16], const uint8_t* input, uint32_t length,
                              uint8_t* output);
void aes_whitebox_decrypt_ctr(const uint8_t iv[16], const uint8_t* input, uint32_t length,
                              uint8_t* output);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // LAUNCHER_NATIVE_AES_WHITEBOX_H_
