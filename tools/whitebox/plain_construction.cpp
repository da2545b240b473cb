// The direct construction: each round key, permuted like the state, is folded into the T-boxes of
// its round; the XOR tables compute plain XOR and the MBL tables pass each byte through unchanged.
#include "table_set.h"

namespace whitebox {

std::unique_ptr<TableSet> BuildPlainTableSet(const Key256& key) {
  const auto round_keys = ExpandKey(key);
  Block shifted_keys[kAesRounds + 1];
  for (int r = 0; r <= kAesRounds; ++r) {
    for (int i = 0; i < 16; ++i) shifted_keys[r][i] = round_keys[r][kShiftRows[i]];
  }
  auto tables = std::make_unique<TableSet>();
  for (int r = 0; r < kFullRounds; ++r) {
    for (int t = 0; t < kXorTablesPerRound; ++t) {
      for (int p = 0; p < 16; ++p) {
        for (int q = 0; q < 16; ++q) tables->xor_tables[r][t][p][q] = static_cast<uint8_t>(p ^ q);
      }
    }
    for (int position = 0; position < 16; ++position) {
      const int row = position % 4;
      for (int x = 0; x < 256; ++x) {
        const uint8_t s = SubByte(static_cast<uint8_t>(x ^ shifted_keys[r][position]));
        uint32_t word = 0;
        for (int k = 0; k < 4; ++k) {
          word |= static_cast<uint32_t>(GfMul(kMixColumns[k][row], s)) << (24 - 8 * k);
        }
        tables->tyboxes[r][position][x] = word;
        tables->mbl[r][position][x] = static_cast<uint32_t>(x) << (24 - 8 * row);
      }
    }
  }
  for (int position = 0; position < 16; ++position) {
    for (int x = 0; x < 256; ++x) {
      tables->tboxes_last[position][x] = static_cast<uint8_t>(
          SubByte(static_cast<uint8_t>(x ^ shifted_keys[kFullRounds][position])) ^
          round_keys[kAesRounds][position]);
    }
  }
  return tables;
}

}  // namespace whitebox
