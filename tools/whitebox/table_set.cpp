#include "table_set.h"

#include <algorithm>
#include <cstring>

#include "hex.h"

namespace whitebox {

std::unique_ptr<TableSet> BuildPlainTableSet(const Key256& key);
std::unique_ptr<TableSet> BuildHardenedTableSet(const Key256& key, RandomSource& random);

namespace {

void AppendWordsLittleEndian(const uint32_t* words, size_t count, std::vector<uint8_t>& out) {
  for (size_t i = 0; i < count; ++i) {
    for (int b = 0; b < 4; ++b) out.push_back(static_cast<uint8_t>(words[i] >> (8 * b)));
  }
}

const uint8_t* ReadWordsLittleEndian(const uint8_t* in, size_t count, uint32_t* words) {
  for (size_t i = 0; i < count; ++i, in += 4) {
    words[i] = static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
               static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
  }
  return in;
}

constexpr size_t kWordsPerRoundTable = sizeof(TableSet::tyboxes) / sizeof(uint32_t);

}  // namespace

std::vector<uint8_t> SerializeTableSet(const TableSet& tables) {
  std::vector<uint8_t> out;
  out.reserve(kTableFileSize);
  const auto* xor_bytes = &tables.xor_tables[0][0][0][0];
  out.insert(out.end(), xor_bytes, xor_bytes + sizeof tables.xor_tables);
  AppendWordsLittleEndian(&tables.tyboxes[0][0][0], kWordsPerRoundTable, out);
  const auto* last = &tables.tboxes_last[0][0];
  out.insert(out.end(), last, last + sizeof tables.tboxes_last);
  AppendWordsLittleEndian(&tables.mbl[0][0][0], kWordsPerRoundTable, out);
  return out;
}

std::unique_ptr<TableSet> DeserializeTableSet(const std::vector<uint8_t>& bytes) {
  if (bytes.size() != kTableFileSize) return nullptr;
  auto tables = std::make_unique<TableSet>();
  const uint8_t* in = bytes.data();
  std::memcpy(tables->xor_tables, in, sizeof tables->xor_tables);
  in += sizeof tables->xor_tables;
  in = ReadWordsLittleEndian(in, kWordsPerRoundTable, &tables->tyboxes[0][0][0]);
  std::memcpy(tables->tboxes_last, in, sizeof tables->tboxes_last);
  in += sizeof tables->tboxes_last;
  ReadWordsLittleEndian(in, kWordsPerRoundTable, &tables->mbl[0][0][0]);
  return tables;
}

std::optional<Key256> ParseKeyHex(std::string_view hex) {
  if (hex.size() != 2 * sizeof(Key256)) return std::nullopt;
  const auto bytes = tools_common::ParseHexBytes(hex);
  if (!bytes) return std::nullopt;
  Key256 key{};
  std::copy(bytes->begin(), bytes->end(), key.begin());
  return key;
}

std::optional<Construction> ParseConstruction(std::string_view name) {
  if (name == "plain") return Construction::kPlain;
  if (name == "hardened") return Construction::kHardened;
  return std::nullopt;
}

std::unique_ptr<TableSet> BuildTableSet(Construction construction, const Key256& key,
                                        RandomSource& random) {
  switch (construction) {
    case Construction::kPlain:
      return BuildPlainTableSet(key);
    case Construction::kHardened:
      return BuildHardenedTableSet(key, random);
  }
  return nullptr;
}

std::unique_ptr<TableSet> BuildTableSet(Construction construction, const Key256& key) {
  SystemRandom random;
  return BuildTableSet(construction, key, random);
}

}  // namespace whitebox
