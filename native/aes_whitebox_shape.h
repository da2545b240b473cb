// The shape of the white-box AES-256 network: how many rounds of tables it has, how large each
// table is, and the ShiftRows permutation between rounds. The cipher, its kernels, the table
// generator and the embedding of a table set all read it from here, so that they cannot disagree.
// (The tests' straightforward evaluation keeps its own copy on purpose: it checks this one.)
//
// AES-256 has 14 rounds. The network folds each of the first 13 into Ty, MBL and Xor tables (a
// "full round"); the 14th, which has no MixColumns, is one byte table per state position.
#ifndef LAUNCHER_NATIVE_AES_WHITEBOX_SHAPE_H_
#define LAUNCHER_NATIVE_AES_WHITEBOX_SHAPE_H_

// Plain enumerators, so that the C interface of aes_whitebox.h can size its arrays with them.
enum {
  kAesRounds = 14,
  kFullRounds = kAesRounds - 1,
  kStatePositions = 16,  // state bytes, column-major as in FIPS-197
  kByteValues = 256,
  kNibbleValues = 16,
  // A full round's two stages (Ty, then MBL) each fold four words per column back into bytes
  // through 6 Xor tables per output byte: 24 per column, 96 per round, shared by both stages.
  kXorTablesPerColumn = 24,
  kXorTablesPerRound = 4 * kXorTablesPerColumn,
};

#ifdef __cplusplus
// ShiftRows: afterwards, state position i holds what was at position kShiftRows[i].
inline constexpr int kShiftRows[kStatePositions] = {0, 5,  10, 15, 4,  9, 14, 3,
                                                    8, 13, 2,  7,  12, 1, 6,  11};
#endif

#endif  // LAUNCHER_NATIVE_AES_WHITEBOX_SHAPE_H_
