// Which entries of a table set an evaluation of the network reads. A known answer proves only the
// entries its blocks read: an entry that none reads could hold anything and the answers would still
// agree. The build therefore refuses a set whose known answers leave unread any entry that some
// input can read, and the generator adds vectors until they leave none (make_known_answers.h).
//
// Some entries no input can read at all: an Xor table's operand is one nibble of a table's output
// word, and where a set's encodings make that nibble take fewer than 16 values over the 256 inputs
// of its table, the entries with the other values are never read. Their contents cannot change any
// result of the launcher, so no proof needs them. They are found from the tables alone, without
// assuming that the set is right: every Tyboxes, MBL and TboxesLast entry counts as readable, and
// an Xor entry as readable when its operands are values that the tables feeding it produce from
// readable entries. This over-counts (a stage's four input bytes are taken as independent), so an
// entry it leaves out is certainly never read.
#ifndef LAUNCHER_TOOLS_WHITEBOX_TABLE_COVERAGE_H_
#define LAUNCHER_TOOLS_WHITEBOX_TABLE_COVERAGE_H_

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "aes_building_blocks.h"
#include "known_answers.h"
#include "table_set.h"

namespace whitebox {

class TableCoverage {
 public:
  // Coverage of `tables`, which must outlive it. An Xor entry above 15 (which the build refuses
  // before it looks at coverage) is taken as its low 4 bits, so a damaged set is never read outside
  // its tables.
  explicit TableCoverage(const TableSet& tables);
  ~TableCoverage();

  // Evaluates the network on `block` exactly as the launcher's block transform does, marks every
  // entry it reads, and returns the transform's output.
  Block Evaluate(const Block& block);

  // Evaluates every block whose whole output `answer` checks: the inputs of its full CFB blocks
  // (the IV, then each full ciphertext block but the last). A partial last block's output is
  // checked only in part, so its reads prove nothing and are not marked.
  void EvaluateKnownAnswer(const KnownAnswer& answer);

  // Per table: its entries, those that some input can read, those read so far, and the readable
  // ones not read so far.
  struct Count {
    const char* table;  // "Xor", "Tyboxes", "TboxesLast" or "MBL"
    size_t entries;
    size_t readable;
    size_t read;
    size_t unread;
  };
  std::vector<Count> Counts() const;  // the four tables, in that order
  size_t TotalUnread() const;

  // "N of the M readable Xor entries, ..." for the tables with readable entries not read so far;
  // empty when every readable entry was read.
  std::string DescribeUnread() const;

 private:
  struct Marks;
  const TableSet& tables_;
  std::unique_ptr<Marks> read_;
  std::unique_ptr<Marks> readable_;
};

}  // namespace whitebox

#endif  // LAUNCHER_TOOLS_WHITEBOX_TABLE_COVERAGE_H_
