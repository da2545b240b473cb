#include "audit.h"

#include <array>
#include <cstdio>
#include <string>

#include "hex.h"

namespace whitebox {

namespace {

std::array<uint8_t, 256> InverseSbox() {
  std::array<uint8_t, 256> inverse{};
  for (int x = 0; x < 256; ++x) inverse[SubByte(static_cast<uint8_t>(x))] = static_cast<uint8_t>(x);
  return inverse;
}

uint8_t GfInverse(uint8_t a) {
  for (int b = 1; b < 256; ++b) {
    if (GfMul(a, static_cast<uint8_t>(b)) == 1) return static_cast<uint8_t>(b);
  }
  return 0;
}

std::optional<LastRoundLeak> FindLastRoundLeak(const uint8_t (&table)[256], int position) {
  for (int k13 = 0; k13 < 256; ++k13) {
    // x = 0 fixes k14 for this guess; the other 255 entries confirm or refute it.
    const uint8_t k14 = table[0] ^ SubByte(static_cast<uint8_t>(k13));
    int x = 1;
    while (x < 256 && table[x] == (SubByte(static_cast<uint8_t>(x ^ k13)) ^ k14)) ++x;
    if (x == 256) return LastRoundLeak{position, static_cast<uint8_t>(k13), k14};
  }
  return std::nullopt;
}

std::optional<TyboxLeak> FindTyboxLeak(const uint32_t (&table)[256], int round, int position) {
  static const std::array<uint8_t, 256> inverse_sbox = InverseSbox();
  for (int byte = 0; byte < 4; ++byte) {
    const int shift = 24 - 8 * byte;
    for (uint8_t factor = 1; factor <= 3; ++factor) {
      // factor · S(0 ^ key) must be the entry at x = 0, which leaves a single candidate key.
      const uint8_t first = static_cast<uint8_t>(table[0] >> shift);
      const uint8_t key = inverse_sbox[GfMul(GfInverse(factor), first)];
      int x = 1;
      while (x < 256 && static_cast<uint8_t>(table[x] >> shift) ==
                            GfMul(factor, SubByte(static_cast<uint8_t>(x ^ key)))) {
        ++x;
      }
      if (x == 256) return TyboxLeak{round, position, byte, factor, key};
    }
  }
  return std::nullopt;
}

bool IsPlainXor(const uint8_t (&table)[16][16]) {
  for (int p = 0; p < 16; ++p) {
    for (int q = 0; q < 16; ++q) {
      if (table[p][q] != (p ^ q)) return false;
    }
  }
  return true;
}

}  // namespace

Key256 KeyFromLastRoundKeys(const Block& round_key13, const Block& round_key14) {
  // words[i] for i = 0..59 as in the key expansion; words 52..59 are round keys 13 and 14, and
  // words[i - 8] = words[i] ^ f_i(words[i - 1]) undoes one step of the expansion.
  uint8_t words[60][4];
  for (int i = 0; i < 16; ++i) {
    words[52 + i / 4][i % 4] = round_key13[i];
    words[56 + i / 4][i % 4] = round_key14[i];
  }
  for (int i = 59; i >= 8; --i) {
    uint8_t t[4] = {words[i - 1][0], words[i - 1][1], words[i - 1][2], words[i - 1][3]};
    if (i % 8 == 0) {
      uint8_t rcon = 1;
      for (int n = 1; n < i / 8; ++n) rcon = GfMul(rcon, 2);
      const uint8_t first = t[0];
      t[0] = static_cast<uint8_t>(SubByte(t[1]) ^ rcon);
      t[1] = SubByte(t[2]);
      t[2] = SubByte(t[3]);
      t[3] = SubByte(first);
    } else if (i % 8 == 4) {
      for (uint8_t& b : t) b = SubByte(b);
    }
    for (int b = 0; b < 4; ++b) words[i - 8][b] = words[i][b] ^ t[b];
  }
  Key256 key{};
  for (int i = 0; i < 32; ++i) key[i] = words[i / 4][i % 4];
  return key;
}

AuditReport AuditTableSet(const TableSet& tables) {
  AuditReport report;
  for (int position = 0; position < 16; ++position) {
    if (auto leak = FindLastRoundLeak(tables.tboxes_last[position], position)) {
      report.last_round.push_back(*leak);
    }
  }
  for (int r = 0; r < kFullRounds; ++r) {
    for (int position = 0; position < 16; ++position) {
      if (auto leak = FindTyboxLeak(tables.tyboxes[r][position], r, position)) {
        report.tyboxes.push_back(*leak);
      }
    }
    for (int t = 0; t < kXorTablesPerRound; ++t) {
      if (IsPlainXor(tables.xor_tables[r][t])) report.plain_xor.push_back({r, t});
    }
  }
  if (report.last_round.size() == 16) {
    // TboxesLast[i] adds byte kShiftRows[i] of round key 13 and byte i of round key 14.
    Block k13{};
    Block k14{};
    for (const LastRoundLeak& leak : report.last_round) {
      k13[kShiftRows[leak.position]] = leak.key13;
      k14[leak.position] = leak.key14;
    }
    report.recovered_key = KeyFromLastRoundKeys(k13, k14);
  }
  return report;
}

std::string FormatAuditReport(const AuditReport& report) {
  std::string text;
  char line[160];
  for (const LastRoundLeak& leak : report.last_round) {
    std::snprintf(line, sizeof line, "LEAK: TboxesLast[%d] = S(x ^ 0x%02x) ^ 0x%02x\n",
                  leak.position, leak.key13, leak.key14);
    text += line;
  }
  if (report.recovered_key) {
    text += "LEAK: AES-256 key rebuilt from TboxesLast: " +
            tools_common::HexDigits(report.recovered_key->data(), report.recovered_key->size()) +
            "\n";
  }
  for (const TyboxLeak& leak : report.tyboxes) {
    std::snprintf(line, sizeof line, "LEAK: Tyboxes[%d][%d] byte %d = 0x%02x * S(x ^ 0x%02x)\n",
                  leak.round, leak.position, leak.byte, leak.factor, leak.key);
    text += line;
  }
  // Plain Xor tables come a round at a time: one line per round, not per table.
  for (size_t i = 0; i < report.plain_xor.size();) {
    const int round = report.plain_xor[i].round;
    std::string list;
    size_t count = 0;
    for (; i < report.plain_xor.size() && report.plain_xor[i].round == round; ++i, ++count) {
      if (count > 0) list += ',';
      list += std::to_string(report.plain_xor[i].table);
    }
    std::snprintf(line, sizeof line, "LEAK: Xor[%d]: %zu of 96 tables compute plain XOR: ", round,
                  count);
    text += line + (count == kXorTablesPerRound ? std::string("all") : list) + "\n";
  }
  if (report.Passed()) {
    text += "PASS: no trivial key read-out from TboxesLast, Tyboxes or Xor tables succeeds\n";
  } else {
    std::snprintf(line, sizeof line,
                  "FAIL: %zu of 16 TboxesLast, %zu of 208 Tyboxes and %zu of 1248 Xor tables "
                  "read out directly\n",
                  report.last_round.size(), report.tyboxes.size(), report.plain_xor.size());
    text += line;
  }
  return text;
}

}  // namespace whitebox
