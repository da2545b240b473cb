// The hardened construction: the round keys are folded into the tables as in the plain one, but
// every value that passes between two tables is hidden behind random encodings, so that no table
// alone shows a key-dependent AES function.
//
// Round r (0..12), column j, in the values the tables compute (before the nibble encodings):
//   Ty[r][4j+i](x)  = MB[r][j] · MC_i(S(L[r-1][P(4j+i)]⁻¹ · x ⊕ K̂r[4j+i]))   (no L⁻¹ in round 0)
//   MBL[r][4j+k](y) = L[r][4j+·] applied bytewise to MB[r][j]⁻¹ · (y placed in byte k)
// where MC_i is column i of MixColumns, P the ShiftRows source, K̂r the round key permuted like the
// state. The Ty words XOR to MB · (MixColumns of the column), since MB is linear, and the MBL words
// XOR to L applied bytewise to that column: the bytes the next round expects, each under its own L.
//
// On top of that, every 4-bit wire carries a random bijection: each output nibble of a Ty or MBL
// word, each output of an Xor table. An Xor table decodes its two operands, XORs them and encodes
// the result with the bijection of its own output wire. The 24 Xor tables of a round and column
// serve both of its reductions, so Ty[r][4j+i] and MBL[r][4j+i] share their output encodings and a
// state byte carries the same encoding after either reduction; the table that next reads a byte
// decodes it. Only round 0's Ty tables read, and TboxesLast writes, unencoded bytes, so the network
// still computes AES-256 exactly.
#include <array>
#include <memory>

#include "gf2_matrix.h"
#include "random_source.h"
#include "table_set.h"

namespace whitebox {

namespace {

// The random choices for one round and column.
struct ColumnSecrets {
  Matrix32 mixing;
  Matrix32 mixing_inverse;
  // [i][m]: nibble m (0 = most significant) of the words of Ty and MBL tables at position 4j+i.
  NibbleBijection word_nibbles[4][8];
  // [t]: the output of Xor table 24j+t. Tables 6k+4 and 6k+5 give state byte k's high and low
  // nibble.
  NibbleBijection xor_outputs[24];
};

struct Secrets {
  ColumnSecrets columns[kFullRounds][4];
  // [r][p]: the linear encoding of state byte p leaving round r.
  Matrix8 byte_encoding[kFullRounds][kStatePositions];
  Matrix8 byte_decoding[kFullRounds][kStatePositions];
};

std::unique_ptr<Secrets> DrawSecrets(RandomSource& random) {
  auto secrets = std::make_unique<Secrets>();
  for (int r = 0; r < kFullRounds; ++r) {
    for (ColumnSecrets& column : secrets->columns[r]) {
      column.mixing = Matrix32::RandomInvertible(random);
      column.mixing_inverse = *column.mixing.Inverse();
      for (auto& word : column.word_nibbles) {
        for (NibbleBijection& nibble : word) nibble = NibbleBijection::Random(random);
      }
      for (NibbleBijection& output : column.xor_outputs) output = NibbleBijection::Random(random);
    }
    for (int p = 0; p < 16; ++p) {
      secrets->byte_encoding[r][p] = Matrix8::RandomInvertible(random);
      secrets->byte_decoding[r][p] = *secrets->byte_encoding[r][p].Inverse();
    }
  }
  return secrets;
}

uint32_t EncodeWord(const NibbleBijection (&nibbles)[8], uint32_t word) {
  uint32_t encoded = 0;
  for (int m = 0; m < 8; ++m) {
    const int shift = 28 - 4 * m;
    encoded |= static_cast<uint32_t>(nibbles[m].forward[(word >> shift) & 15]) << shift;
  }
  return encoded;
}

// The plain value of state byte 4j+k as it leaves either reduction of round r, column j (still
// under the mixing bijection after the Ty reduction, under L after the MBL reduction).
uint8_t DecodeStateByte(const ColumnSecrets& column, int k, uint8_t byte) {
  return static_cast<uint8_t>(column.xor_outputs[6 * k + 4].inverse[byte >> 4] << 4 |
                              column.xor_outputs[6 * k + 5].inverse[byte & 15]);
}

void FillXorTables(const ColumnSecrets& column, uint8_t (*tables)[16][16]) {
  for (int k = 0; k < 4; ++k) {
    const int high = 2 * k;
    const int low = 2 * k + 1;
    const NibbleBijection* operands[6][2] = {
        {&column.word_nibbles[0][high], &column.word_nibbles[1][high]},
        {&column.word_nibbles[2][high], &column.word_nibbles[3][high]},
        {&column.word_nibbles[0][low], &column.word_nibbles[1][low]},
        {&column.word_nibbles[2][low], &column.word_nibbles[3][low]},
        {&column.xor_outputs[6 * k], &column.xor_outputs[6 * k + 1]},
        {&column.xor_outputs[6 * k + 2], &column.xor_outputs[6 * k + 3]},
    };
    for (int t = 0; t < 6; ++t) {
      const NibbleBijection& output = column.xor_outputs[6 * k + t];
      for (int p = 0; p < 16; ++p) {
        for (int q = 0; q < 16; ++q) {
          tables[6 * k + t][p][q] =
              output.forward[operands[t][0]->inverse[p] ^ operands[t][1]->inverse[q]];
        }
      }
    }
  }
}

using RoundKeys = std::array<Block, kAesRounds + 1>;

// The plain value of state byte `source` as round r (> 0) reads it: the encoded byte `x` that round
// r - 1 left there, with its nibble encodings and its byte encoding undone.
uint8_t DecodeRoundInput(const Secrets& secrets, int r, int source, uint8_t x) {
  const ColumnSecrets& writer = secrets.columns[r - 1][source / 4];
  return secrets.byte_decoding[r - 1][source].Apply(DecodeStateByte(writer, source % 4, x));
}

// Column i of MixColumns times `s`, row 0 in the most significant byte.
uint32_t MixColumnWord(int i, uint8_t s) {
  uint32_t mixed = 0;
  for (int k = 0; k < 4; ++k) {
    mixed |= static_cast<uint32_t>(GfMul(kMixColumns[k][i], s)) << (24 - 8 * k);
  }
  return mixed;
}

// The Ty tables of round r, column j: decode the input byte (from round 1 on), add the round key,
// substitute, mix into a column word, then the column's mixing bijection and nibble encodings.
void FillTyTables(const Secrets& secrets, const RoundKeys& round_keys, int r, int j,
                  TableSet& tables) {
  const ColumnSecrets& column = secrets.columns[r][j];
  for (int i = 0; i < 4; ++i) {
    const int position = 4 * j + i;
    const int source = kShiftRows[position];
    const uint8_t round_key = round_keys[r][source];
    for (int x = 0; x < 256; ++x) {
      uint8_t input = static_cast<uint8_t>(x);
      if (r > 0) input = DecodeRoundInput(secrets, r, source, input);
      const uint8_t s = SubByte(static_cast<uint8_t>(input ^ round_key));
      tables.tyboxes[r][position][x] =
          EncodeWord(column.word_nibbles[i], column.mixing.Apply(MixColumnWord(i, s)));
    }
  }
}

// The MBL tables of round r, column j: decode the reduced byte, undo the mixing bijection, encode
// each byte of the column for the next round, then the nibble encodings.
void FillMblTables(const Secrets& secrets, int r, int j, TableSet& tables) {
  const ColumnSecrets& column = secrets.columns[r][j];
  for (int k = 0; k < 4; ++k) {
    const int position = 4 * j + k;
    for (int y = 0; y < 256; ++y) {
      const uint8_t mixed = DecodeStateByte(column, k, static_cast<uint8_t>(y));
      const uint32_t unmixed =
          column.mixing_inverse.Apply(static_cast<uint32_t>(mixed) << (24 - 8 * k));
      uint32_t word = 0;
      for (int b = 0; b < 4; ++b) {
        const int shift = 24 - 8 * b;
        const uint8_t byte = static_cast<uint8_t>(unmixed >> shift);
        const uint8_t encoded = secrets.byte_encoding[r][4 * j + b].Apply(byte);
        word |= static_cast<uint32_t>(encoded) << shift;
      }
      tables.mbl[r][position][y] = EncodeWord(column.word_nibbles[k], word);
    }
  }
}

// The last round: decode the input byte, add the last two round keys around the S-box. Its output
// is the block's, unencoded.
void FillLastRound(const Secrets& secrets, const RoundKeys& round_keys, TableSet& tables) {
  for (int position = 0; position < 16; ++position) {
    const int source = kShiftRows[position];
    for (int x = 0; x < 256; ++x) {
      const uint8_t input = DecodeRoundInput(secrets, kFullRounds, source, static_cast<uint8_t>(x));
      tables.tboxes_last[position][x] = static_cast<uint8_t>(
          SubByte(static_cast<uint8_t>(input ^ round_keys[kFullRounds][source])) ^
          round_keys[kAesRounds][position]);
    }
  }
}

}  // namespace

std::unique_ptr<TableSet> BuildHardenedTableSet(const Key256& key, RandomSource& random) {
  const RoundKeys round_keys = ExpandKey(key);
  const auto secrets = DrawSecrets(random);
  auto tables = std::make_unique<TableSet>();
  for (int r = 0; r < kFullRounds; ++r) {
    for (int j = 0; j < 4; ++j) {
      FillXorTables(secrets->columns[r][j], tables->xor_tables[r] + kXorTablesPerColumn * j);
      FillTyTables(*secrets, round_keys, r, j, *tables);
      FillMblTables(*secrets, r, j, *tables);
    }
  }
  FillLastRound(*secrets, round_keys, *tables);
  return tables;
}

}  // namespace whitebox
