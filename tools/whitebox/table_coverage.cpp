#include "table_coverage.h"

#include <algorithm>
#include <cstdint>

namespace whitebox {

// One flag per entry, in the shapes of TableSet: a table's size in bytes is its number of entries.
static_assert(sizeof(bool) == 1);
struct TableCoverage::Marks {
  bool xor_tables[kFullRounds][kXorTablesPerRound][kNibbleValues][kNibbleValues] = {};
  bool tyboxes[kFullRounds][kStatePositions][kByteValues] = {};
  bool tboxes_last[kStatePositions][kByteValues] = {};
  bool mbl[kFullRounds][kStatePositions][kByteValues] = {};
};

namespace {

template <typename Array>
size_t CountSet(const Array& marks) {
  const bool* first = reinterpret_cast<const bool*>(&marks);
  return static_cast<size_t>(std::count(first, first + sizeof marks, true));
}

// Entries set in `readable` and not in `read`.
template <typename Array>
size_t CountUnread(const Array& readable, const Array& read) {
  const bool* a = reinterpret_cast<const bool*>(&readable);
  const bool* b = reinterpret_cast<const bool*>(&read);
  size_t count = 0;
  for (size_t i = 0; i < sizeof readable; ++i) count += a[i] && !b[i] ? 1 : 0;
  return count;
}

template <typename Array>
void SetAll(Array& marks) {
  std::fill_n(reinterpret_cast<bool*>(&marks), sizeof marks, true);
}

int Nibble(uint32_t word, int shift) { return static_cast<int>((word >> shift) & 15); }

Block ShiftRows(const Block& state) {
  Block shifted{};
  for (int i = 0; i < kStatePositions; ++i) shifted[i] = state[kShiftRows[i]];
  return shifted;
}

// Sets of 4-bit values, bit v for value v.
using NibbleSet = uint16_t;

// Marks the entries of Xor table `table` whose operands lie in `first` and `second`; returns the
// set of values they hold.
NibbleSet MarkXor(const uint8_t (&table)[kNibbleValues][kNibbleValues],
                  bool (&marks)[kNibbleValues][kNibbleValues], NibbleSet first, NibbleSet second) {
  NibbleSet values = 0;
  for (int p = 0; p < kNibbleValues; ++p) {
    for (int q = 0; q < kNibbleValues; ++q) {
      if (!(first >> p & 1) || !(second >> q & 1)) continue;
      marks[p][q] = true;
      values |= static_cast<NibbleSet>(1u << (table[p][q] & 15));
    }
  }
  return values;
}

// Marks the Xor entries that a reduction of one round and column can read when it reduces words
// from `words` (the four tables of its stage, by row).
void MarkReadableReduction(
    const uint8_t (&xor_tables)[kXorTablesPerRound][kNibbleValues][kNibbleValues],
    bool (&marks)[kXorTablesPerRound][kNibbleValues][kNibbleValues], int j,
    const uint32_t (*const words[4])[kByteValues]) {
  for (int k = 0; k < 4; ++k) {
    for (const int shift : {28 - 8 * k, 24 - 8 * k}) {
      NibbleSet operand[4] = {};
      for (int i = 0; i < 4; ++i) {
        for (int x = 0; x < kByteValues; ++x) {
          operand[i] |= static_cast<NibbleSet>(1u << Nibble((*words[i])[x], shift));
        }
      }
      // The high nibbles go through tables 6k, 6k+1 and 6k+4; the low ones through 6k+2, 6k+3
      // and 6k+5.
      const int first = 24 * j + 6 * k + (shift == 28 - 8 * k ? 0 : 2);
      const int last = 24 * j + 6 * k + (shift == 28 - 8 * k ? 4 : 5);
      const NibbleSet left = MarkXor(xor_tables[first], marks[first], operand[0], operand[1]);
      const NibbleSet right =
          MarkXor(xor_tables[first + 1], marks[first + 1], operand[2], operand[3]);
      MarkXor(xor_tables[last], marks[last], left, right);
    }
  }
}

}  // namespace

TableCoverage::TableCoverage(const TableSet& tables)
    : tables_(tables), read_(std::make_unique<Marks>()), readable_(std::make_unique<Marks>()) {
  Marks& m = *readable_;
  SetAll(m.tyboxes);
  SetAll(m.mbl);
  SetAll(m.tboxes_last);
  for (int r = 0; r < kFullRounds; ++r) {
    for (int j = 0; j < 4; ++j) {
      const uint32_t(*ty[4])[kByteValues];
      const uint32_t(*mbl[4])[kByteValues];
      for (int i = 0; i < 4; ++i) {
        ty[i] = &tables.tyboxes[r][4 * j + i];
        mbl[i] = &tables.mbl[r][4 * j + i];
      }
      MarkReadableReduction(tables.xor_tables[r], m.xor_tables[r], j, ty);
      MarkReadableReduction(tables.xor_tables[r], m.xor_tables[r], j, mbl);
    }
  }
}

TableCoverage::~TableCoverage() = default;

Block TableCoverage::Evaluate(const Block& block) {
  Marks& m = *read_;
  const TableSet& tables = tables_;
  Block state = block;
  for (int r = 0; r < kFullRounds; ++r) {
    state = ShiftRows(state);
    for (int j = 0; j < 4; ++j) {
      // The Ty stage and then the MBL stage, each a lookup per byte and the same XOR reduction.
      for (int stage = 0; stage < 2; ++stage) {
        uint32_t words[4];
        for (int i = 0; i < 4; ++i) {
          const int position = 4 * j + i;
          const uint8_t value = state[position];
          if (stage == 0) {
            m.tyboxes[r][position][value] = true;
            words[i] = tables.tyboxes[r][position][value];
          } else {
            m.mbl[r][position][value] = true;
            words[i] = tables.mbl[r][position][value];
          }
        }
        const auto x = [&](int t, int p, int q) {
          m.xor_tables[r][24 * j + t][p][q] = true;
          return tables.xor_tables[r][24 * j + t][p][q] & 15;
        };
        for (int k = 0; k < 4; ++k) {
          const int h = 28 - 8 * k;
          const int l = h - 4;
          const int n0 = x(6 * k, Nibble(words[0], h), Nibble(words[1], h));
          const int n1 = x(6 * k + 1, Nibble(words[2], h), Nibble(words[3], h));
          const int n2 = x(6 * k + 2, Nibble(words[0], l), Nibble(words[1], l));
          const int n3 = x(6 * k + 3, Nibble(words[2], l), Nibble(words[3], l));
          state[4 * j + k] = static_cast<uint8_t>(x(6 * k + 4, n0, n1) << 4 | x(6 * k + 5, n2, n3));
        }
      }
    }
  }
  state = ShiftRows(state);
  for (int i = 0; i < kStatePositions; ++i) {
    m.tboxes_last[i][state[i]] = true;
    state[i] = tables.tboxes_last[i][state[i]];
  }
  return state;
}

void TableCoverage::EvaluateKnownAnswer(const KnownAnswer& answer) {
  const size_t full_blocks = answer.ciphertext.size() / sizeof(Block);
  Block input = answer.iv;
  for (size_t n = 0; n < full_blocks; ++n) {
    Evaluate(input);
    std::copy_n(answer.ciphertext.begin() + n * sizeof(Block), sizeof(Block), input.begin());
  }
}

std::vector<TableCoverage::Count> TableCoverage::Counts() const {
  const Marks& a = *readable_;
  const Marks& b = *read_;
  return {{"Xor", sizeof a.xor_tables, CountSet(a.xor_tables), CountSet(b.xor_tables),
           CountUnread(a.xor_tables, b.xor_tables)},
          {"Tyboxes", sizeof a.tyboxes, CountSet(a.tyboxes), CountSet(b.tyboxes),
           CountUnread(a.tyboxes, b.tyboxes)},
          {"TboxesLast", sizeof a.tboxes_last, CountSet(a.tboxes_last), CountSet(b.tboxes_last),
           CountUnread(a.tboxes_last, b.tboxes_last)},
          {"MBL", sizeof a.mbl, CountSet(a.mbl), CountSet(b.mbl), CountUnread(a.mbl, b.mbl)}};
}

size_t TableCoverage::TotalUnread() const {
  size_t total = 0;
  for (const Count& table : Counts()) total += table.unread;
  return total;
}

std::string TableCoverage::DescribeUnread() const {
  std::string text;
  for (const Count& table : Counts()) {
    if (table.unread == 0) continue;
    text += (text.empty() ? "" : ", ") + std::to_string(table.unread) + " of the " +
            std::to_string(table.readable) + " readable " + table.table + " entries";
  }
  return text;
}

}  // namespace whitebox
