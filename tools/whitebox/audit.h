// Looks for the trivial ways of reading an AES key out of a table set, one table at a time:
//   - TboxesLast[i](x) = S(x ^ k13) ^ k14: the last two round keys, which for AES-256 are enough to
//     run the key schedule backwards to the whole key;
//   - a byte of a Tyboxes word equal to c·S(x ^ k) for c in {1, 2, 3}: a round-key byte;
//   - Xor tables that compute plain XOR: their wires carry no encoding.
// A plain set fails every check. Passing says only that these read-outs fail; it says nothing about
// the published algebraic, differential-computation or fault attacks on white-box AES.
#ifndef LAUNCHER_TOOLS_WHITEBOX_AUDIT_H_
#define LAUNCHER_TOOLS_WHITEBOX_AUDIT_H_

#include <optional>
#include <string>
#include <vector>

#include "table_set.h"

namespace whitebox {

// TboxesLast[position][x] == S(x ^ key13) ^ key14 for every x.
struct LastRoundLeak {
  int position;
  uint8_t key13;
  uint8_t key14;
};

// Byte `byte` (0 = most significant) of tyboxes[round][position][x] == factor · S(x ^ key) for
// every x. At most one per table: the first byte found.
struct TyboxLeak {
  int round;
  int position;
  int byte;
  uint8_t factor;
  uint8_t key;
};

// xor_tables[round][table][p][q] == p ^ q for every p, q.
struct PlainXorTable {
  int round;
  int table;
};

struct AuditReport {
  std::vector<LastRoundLeak> last_round;
  std::vector<TyboxLeak> tyboxes;
  std::vector<PlainXorTable> plain_xor;
  // When every TboxesLast table leaks: the AES-256 key whose last two round keys they hold.
  std::optional<Key256> recovered_key;

  bool Passed() const { return last_round.empty() && tyboxes.empty() && plain_xor.empty(); }
};

AuditReport AuditTableSet(const TableSet& tables);

// One line per finding ("LEAK: ..."), then a verdict line starting "PASS:" or "FAIL:".
std::string FormatAuditReport(const AuditReport& report);

// Runs the AES-256 key schedule backwards from round keys 13 and 14 (state order) to the key.
Key256 KeyFromLastRoundKeys(const Block& round_key13, const Block& round_key14);

}  // namespace whitebox

#endif  // LAUNCHER_TOOLS_WHITEBOX_AUDIT_H_
