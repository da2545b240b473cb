// The table set of the white-box AES-256 network, its file format, and the constructions that fill
// it from a key.
#ifndef LAUNCHER_TOOLS_WHITEBOX_TABLE_SET_H_
#define LAUNCHER_TOOLS_WHITEBOX_TABLE_SET_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "aes_building_blocks.h"
#include "random_source.h"

namespace whitebox {

// The four tables in the shapes the block transform reads. Indices: round r (0..12), then the state
// position (or, for xor_tables, the table number 24*column + t), then the byte value (or, for
// xor_tables, the two 4-bit operands). Every xor_tables entry must lie in 0..15.
struct TableSet {
  uint8_t xor_tables[kFullRounds][kXorTablesPerRound][kNibbleValues][kNibbleValues];
  uint32_t tyboxes[kFullRounds][kStatePositions][kByteValues];
  uint8_t tboxes_last[kStatePositions][kByteValues];
  uint32_t mbl[kFullRounds][kStatePositions][kByteValues];
};

// Table file: xor_tables, tyboxes, tboxes_last, mbl, in that order, each in index order, 32-bit
// words little-endian, nothing else.
inline constexpr size_t kTableFileSize = sizeof(TableSet::xor_tables) + sizeof(TableSet::tyboxes) +
                                         sizeof(TableSet::tboxes_last) + sizeof(TableSet::mbl);
static_assert(kTableFileSize == LAUNCHER_TABLE_FILE_SIZE,
              "the build's LAUNCHER_TABLE_FILE_SIZE (CMakeLists.txt) differs");

std::vector<uint8_t> SerializeTableSet(const TableSet& tables);

// Returns nullptr iff `bytes` is not kTableFileSize long.
std::unique_ptr<TableSet> DeserializeTableSet(const std::vector<uint8_t>& bytes);

// Parses 64 hexadecimal digits (either case, nothing else) into a key; nullopt otherwise.
std::optional<Key256> ParseKeyHex(std::string_view hex);

// The ways of folding a key into the network. Every construction makes the block transform equal
// FIPS-197 AES-256 encryption under the key; they differ in what the tables reveal.
enum class Construction {
  // Round keys folded directly into T-boxes; plain XOR tables; identity MBL. Reveals the key to
  // anyone who reads the tables: for tests and comparison only.
  kPlain,
  // The plain tables behind random encodings: a 32x32 GF(2) mixing bijection per round and column
  // on the Ty words, an 8x8 GF(2) encoding per state byte between rounds, and a random bijection
  // on every 4-bit wire between tables. No table shows a key-dependent AES function on its own, so
  // the key cannot be read off table by table (see audit.h); the published attacks on this family
  // of constructions still apply.
  kHardened,
};

// Parses a construction name as the command-line tool spells it ("plain", "hardened").
std::optional<Construction> ParseConstruction(std::string_view name);

// Builds a table set for `key`, taking the hardened construction's random choices from `random`
// (the plain construction draws nothing).
std::unique_ptr<TableSet> BuildTableSet(Construction construction, const Key256& key,
                                        RandomSource& random);

// As above, with the operating system's generator as the source of randomness.
std::unique_ptr<TableSet> BuildTableSet(Construction construction, const Key256& key);

}  // namespace whitebox

#endif  // LAUNCHER_TOOLS_WHITEBOX_TABLE_SET_H_
