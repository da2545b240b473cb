// The audit must name every trivial key read-out in a plain set, find a single weak table hidden in
// a hardened one, and pass hardened sets.
#include "audit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "seeded_random.h"
#include "table_set.h"

namespace {

using whitebox::AuditTableSet;
using whitebox::Construction;
using whitebox::FormatAuditReport;

const whitebox::Key256 kKey =
    *whitebox::ParseKeyHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");

std::unique_ptr<whitebox::TableSet> Hardened(const std::string& seed) {
  whitebox::SeededRandom random(seed);
  return whitebox::BuildTableSet(Construction::kHardened, kKey, random);
}

std::string Format(const char* format, int a, int b, int c = 0) {
  char line[128];
  std::snprintf(line, sizeof line, format, a, b, c);
  return line;
}

TEST(Audit, PlainSetGivesAwayEveryTableAndTheWholeKey) {
  const auto report = AuditTableSet(*whitebox::BuildTableSet(Construction::kPlain, kKey));
  const auto round_keys = whitebox::ExpandKey(kKey);
  EXPECT_FALSE(report.Passed());

  ASSERT_EQ(report.last_round.size(), 16u);
  for (int p = 0; p < 16; ++p) {
    EXPECT_EQ(report.last_round[p].position, p);
    EXPECT_EQ(report.last_round[p].key13, round_keys[13][whitebox::kShiftRows[p]]) << p;
    EXPECT_EQ(report.last_round[p].key14, round_keys[14][p]) << p;
  }
  ASSERT_TRUE(report.recovered_key.has_value());
  EXPECT_EQ(*report.recovered_key, kKey);

  ASSERT_EQ(report.tyboxes.size(), 13u * 16u);
  for (const auto& leak : report.tyboxes) {
    const int source = whitebox::kShiftRows[leak.position];
    EXPECT_EQ(leak.key, round_keys[leak.round][source]) << leak.round << "/" << leak.position;
    EXPECT_EQ(leak.factor, whitebox::kMixColumns[leak.byte][leak.position % 4]);
  }
  EXPECT_EQ(report.plain_xor.size(), 13u * 96u);

  const std::string text = FormatAuditReport(report);
  for (int p : {0, 3, 15}) {
    EXPECT_NE(text.find(Format("LEAK: TboxesLast[%d] = S(x ^ 0x%02x) ^ 0x%02x\n", p,
                               round_keys[13][whitebox::kShiftRows[p]], round_keys[14][p])),
              std::string::npos)
        << text;
  }
  EXPECT_NE(text.find("LEAK: AES-256 key rebuilt from TboxesLast: "
                      "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4\n"),
            std::string::npos);
  // Tyboxes[0][1] reads input byte 5 through S(x ^ K0[5]); its first output byte is 3 times that.
  EXPECT_NE(
      text.find(Format("LEAK: Tyboxes[0][1] byte 0 = 0x03 * S(x ^ 0x%02x)\n", round_keys[0][5], 0)),
      std::string::npos);
  EXPECT_NE(text.find("LEAK: Xor[12]: 96 of 96 tables compute plain XOR: all\n"),
            std::string::npos);
  EXPECT_NE(text.find("\nFAIL: 16 of 16 TboxesLast, 208 of 208 Tyboxes and 1248 of 1248 Xor"),
            std::string::npos);
}

TEST(Audit, HardenedSetsPass) {
  for (const char* seed : {"audit 1", "audit 2"}) {
    const auto report = AuditTableSet(*Hardened(seed));
    EXPECT_TRUE(report.Passed()) << FormatAuditReport(report);
    EXPECT_FALSE(report.recovered_key.has_value());
    EXPECT_EQ(FormatAuditReport(report).rfind("PASS: ", 0), 0u);
  }
  EXPECT_TRUE(AuditTableSet(*whitebox::BuildTableSet(Construction::kHardened, kKey)).Passed());
}

// One weak table of each kind planted in a hardened set is found and named, and nothing else is.
TEST(Audit, FindsSingleWeakTablesInAnOtherwiseHardenedSet) {
  auto tables = Hardened("planted");
  const auto plain = whitebox::BuildTableSet(Construction::kPlain, kKey);
  std::memcpy(tables->tboxes_last[5], plain->tboxes_last[5], 256);
  std::memcpy(tables->xor_tables[2][17], plain->xor_tables[2][17], 256);
  // Only byte 2 of Tyboxes[4][9] is made readable: 3 * S(x ^ 0x5c).
  for (int x = 0; x < 256; ++x) {
    uint32_t& word = tables->tyboxes[4][9][x];
    const uint8_t value = whitebox::GfMul(3, whitebox::SubByte(static_cast<uint8_t>(x ^ 0x5c)));
    word = (word & ~0x0000ff00u) | static_cast<uint32_t>(value) << 8;
  }
  // A last-round table that matches S(x ^ a) ^ b everywhere but at one input is no read-out.
  std::memcpy(tables->tboxes_last[6], plain->tboxes_last[6], 256);
  tables->tboxes_last[6][200] ^= 1;

  const auto report = AuditTableSet(*tables);
  const auto round_keys = whitebox::ExpandKey(kKey);
  ASSERT_EQ(report.last_round.size(), 1u);
  EXPECT_EQ(report.last_round[0].position, 5);
  EXPECT_EQ(report.last_round[0].key13, round_keys[13][whitebox::kShiftRows[5]]);
  EXPECT_EQ(report.last_round[0].key14, round_keys[14][5]);
  EXPECT_FALSE(report.recovered_key.has_value());
  ASSERT_EQ(report.tyboxes.size(), 1u);
  EXPECT_EQ(report.tyboxes[0].round, 4);
  EXPECT_EQ(report.tyboxes[0].position, 9);
  EXPECT_EQ(report.tyboxes[0].byte, 2);
  EXPECT_EQ(report.tyboxes[0].factor, 3);
  EXPECT_EQ(report.tyboxes[0].key, 0x5c);
  ASSERT_EQ(report.plain_xor.size(), 1u);
  EXPECT_EQ(report.plain_xor[0].round, 2);
  EXPECT_EQ(report.plain_xor[0].table, 17);

  const std::string text = FormatAuditReport(report);
  EXPECT_NE(text.find("LEAK: Tyboxes[4][9] byte 2 = 0x03 * S(x ^ 0x5c)\n"), std::string::npos);
  EXPECT_NE(text.find("LEAK: Xor[2]: 1 of 96 tables compute plain XOR: 17\n"), std::string::npos);
  EXPECT_EQ(text.find("TboxesLast[6]"), std::string::npos);
  EXPECT_NE(text.find("FAIL: 1 of 16 TboxesLast, 1 of 208 Tyboxes and 1 of 1248 Xor"),
            std::string::npos);
}

TEST(Audit, KeyScheduleRunsBackwardsFromTheLastTwoRoundKeys) {
  std::mt19937_64 rng(13);
  for (int i = 0; i < 20; ++i) {
    whitebox::Key256 key;
    for (auto& b : key) b = static_cast<uint8_t>(rng());
    const auto round_keys = whitebox::ExpandKey(key);
    EXPECT_EQ(whitebox::KeyFromLastRoundKeys(round_keys[13], round_keys[14]), key);
  }
}

}  // namespace
