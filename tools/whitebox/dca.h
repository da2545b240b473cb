// Differential computation analysis (DCA) of a table set: how many traces of the network's own
// computation recover its AES-256 key.
//
// A trace is what the network's table lookups return while it encrypts one block: every bit of the
// Tyboxes and MBL words and of the Xor nibbles that one round reads, in the order the block
// transform reads them (kTraceBitsPerRound bits per round), recorded for the first two rounds. The
// attack is first-order: for each byte of a round key and each of its 256 guesses k, every trace
// bit is correlated (Pearson) with each of the 255 non-zero parities of S(x ^ k), x being the
// round's input byte. Parities, not only single bits, because a linear encoding spreads each bit of
// S over linear combinations, which then pass through the nibble encodings. A guess scores the
// largest absolute correlation it reaches; the guesses rank by score, and a key byte "ranks first"
// when its guess scores strictly above all 255 others.
//
// The first round's input is the plaintext, so the first round key (AES-256 key bytes 0-15) comes
// first. The second round's input is one AES round of the plaintext under that key; with it the
// second round key (key bytes 16-31) falls the same way, which is the whole AES-256 key. The second
// round is attacked with the first round key given, so that each half's figure is its own; an
// attacker who has recovered the first half has the same input.
#ifndef LAUNCHER_TOOLS_WHITEBOX_DCA_H_
#define LAUNCHER_TOOLS_WHITEBOX_DCA_H_

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "random_source.h"
#include "table_set.h"

namespace whitebox {

// Per round and column: 4 Ty words, 24 Xor nibbles, 4 MBL words, 24 Xor nibbles.
inline constexpr int kTraceBitsPerRound = 4 * (4 * 32 + 24 * 4 + 4 * 32 + 24 * 4);
inline constexpr int kTraceWordsPerRound = kTraceBitsPerRound / 64;
static_assert(kTraceBitsPerRound % 64 == 0);

// One block's trace: bit i of round r is bit i % 64 of words[r][i / 64]. Within a round, column by
// column: the Ty words (most significant bit first), the 24 Xor outputs of the first reduction
// (table order, most significant bit first), then the MBL words and the second reduction's outputs.
struct Trace {
  uint64_t words[2][kTraceWordsPerRound];
};

// Evaluates the network on `plaintext` as the block transform does, recording the first two rounds'
// lookups in `trace`. Returns the ciphertext the whole network computes.
Block EncryptRecording(const TableSet& tables, const Block& plaintext, Trace& trace);

using Sbox = std::array<uint8_t, 256>;

// The AES S-box: the attack's hypothesis.
const Sbox& AesSbox();

// FIPS-197 AES-256 encryption of one block, and the state after its first round (AddRoundKey with
// key bytes 0-15, SubBytes, ShiftRows, MixColumns): the second round's input.
Block AesEncrypt(const Key256& key, const Block& plaintext);
Block AfterFirstRound(const Key256& key, const Block& plaintext);

// For each of the 16 round-key bytes (state order) and each guess k, the score of k: the largest
// |correlation| between a bit of round `round`'s traces (0 or 1) and a non-zero parity of
// sbox[x ^ k], x being that byte of the round's input. `inputs[i]` is the input of `traces[i]`.
using GuessScores = std::array<std::array<float, 256>, 16>;
GuessScores ScoreGuesses(std::span<const Trace> traces, std::span<const Block> inputs, int round,
                         const Sbox& sbox);

// Byte i of a round key ranks first when true_key[i] scores strictly above every other guess.
int CountRankedFirst(const GuessScores& scores, const Block& true_key);
// The best-scoring guess per byte (the lowest of equals).
Block BestGuesses(const GuessScores& scores);

struct DcaStep {
  int traces;
  int first_half_first;   // of 16: key bytes 0-15 ranked first
  int second_half_first;  // of 16: key bytes 16-31, with the first half given
  Key256 best_guess;      // each byte's best-scoring guess
};

struct DcaReport {
  std::vector<DcaStep> steps;  // trace counts tried, in increasing order
  int max_traces = 0;
  // The first count at which each half, and the whole key, ranked first.
  std::optional<int> first_half_at;
  std::optional<int> second_half_at;
  std::optional<int> key_at;

  // False when the set does not compute AES-256 under the key on the blocks drawn: its ranks would
  // mean nothing, and no step is run.
  bool computes_aes = true;

  bool Passed() const { return computes_aes && !key_at.has_value(); }
};

// Runs the DCA on `tables` with `first_traces` traces, then at every power of two and one and a
// half times one above it (16, 24, 32, 48, 64, 96, ...), up to and including `max_traces`, of
// blocks drawn from `random`, and stops at the first count at which the whole key ranks first.
// Every count uses the first blocks drawn. REQUIRES 1 <= first_traces <= max_traces.
DcaReport RunDca(const TableSet& tables, const Key256& key, int max_traces, RandomSource& random,
                 int first_traces = 16);

// One line per count tried, then a verdict line starting "PASS:" (key not recovered) or "FAIL:".
std::string FormatDcaReport(const DcaReport& report);

}  // namespace whitebox

#endif  // LAUNCHER_TOOLS_WHITEBOX_DCA_H_
