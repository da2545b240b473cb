// The AES-256 (FIPS-197) pieces that the table constructions fold into their tables and the audit
// looks for in them: the S-box, multiplication in GF(2^8) and the key expansion. No block
// encryption is here: what proves a table set is an independent AES (openssl_primitives.h).
#ifndef LAUNCHER_TOOLS_WHITEBOX_AES_BUILDING_BLOCKS_H_
#define LAUNCHER_TOOLS_WHITEBOX_AES_BUILDING_BLOCKS_H_

#include <array>
#include <cstdint>

#include "aes_whitebox_shape.h"

namespace whitebox {

using Key256 = std::array<uint8_t, 32>;
using Block = std::array<uint8_t, 16>;

// The AES S-box.
uint8_t SubByte(uint8_t x);

// Product in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1.
uint8_t GfMul(uint8_t a, uint8_t b);

// Round keys K_0..K_14 of the FIPS-197 key expansion, each in state (column-major) order.
std::array<Block, kAesRounds + 1> ExpandKey(const Key256& key);

// The ShiftRows permutation of aes_whitebox_shape.h: the network's is AES's.
using ::kShiftRows;

// The MixColumns matrix: output row k of a column takes kMixColumns[k][i] times input row i.
inline constexpr uint8_t kMixColumns[4][4] = {
    {2, 3, 1, 1}, {1, 2, 3, 1}, {1, 1, 2, 3}, {3, 1, 1, 2}};

}  // namespace whitebox

#endif  // LAUNCHER_TOOLS_WHITEBOX_AES_BUILDING_BLOCKS_H_
