#include "dca.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

#include "hex.h"

namespace whitebox {

namespace {

// FIPS-197's S-box, kept here so that the attack's hypothesis does not depend on the code that
// built the tables.
constexpr Sbox kAesSbox = {
    0x63, 0x7c, 0x77, 0x7b, 0xf2, 0x6b, 0x6f, 0xc5, 0x30, 0x01, 0x67, 0x2b, 0xfe, 0xd7, 0xab, 0x76,
    0xca, 0x82, 0xc9, 0x7d, 0xfa, 0x59, 0x47, 0xf0, 0xad, 0xd4, 0xa2, 0xaf, 0x9c, 0xa4, 0x72, 0xc0,
    0xb7, 0xfd, 0x93, 0x26, 0x36, 0x3f, 0xf7, 0xcc, 0x34, 0xa5, 0xe5, 0xf1, 0x71, 0xd8, 0x31, 0x15,
    0x04, 0xc7, 0x23, 0xc3, 0x18, 0x96, 0x05, 0x9a, 0x07, 0x12, 0x80, 0xe2, 0xeb, 0x27, 0xb2, 0x75,
    0x09, 0x83, 0x2c, 0x1a, 0x1b, 0x6e, 0x5a, 0xa0, 0x52, 0x3b, 0xd6, 0xb3, 0x29, 0xe3, 0x2f, 0x84,
    0x53, 0xd1, 0x00, 0xed, 0x20, 0xfc, 0xb1, 0x5b, 0x6a, 0xcb, 0xbe, 0x39, 0x4a, 0x4c, 0x58, 0xcf,
    0xd0, 0xef, 0xaa, 0xfb, 0x43, 0x4d, 0x33, 0x85, 0x45, 0xf9, 0x02, 0x7f, 0x50, 0x3c, 0x9f, 0xa8,
    0x51, 0xa3, 0x40, 0x8f, 0x92, 0x9d, 0x38, 0xf5, 0xbc, 0xb6, 0xda, 0x21, 0x10, 0xff, 0xf3, 0xd2,
    0xcd, 0x0c, 0x13, 0xec, 0x5f, 0x97, 0x44, 0x17, 0xc4, 0xa7, 0x7e, 0x3d, 0x64, 0x5d, 0x19, 0x73,
    0x60, 0x81, 0x4f, 0xdc, 0x22, 0x2a, 0x90, 0x88, 0x46, 0xee, 0xb8, 0x14, 0xde, 0x5e, 0x0b, 0xdb,
    0xe0, 0x32, 0x3a, 0x0a, 0x49, 0x06, 0x24, 0x5c, 0xc2, 0xd3, 0xac, 0x62, 0x91, 0x95, 0xe4, 0x79,
    0xe7, 0xc8, 0x37, 0x6d, 0x8d, 0xd5, 0x4e, 0xa9, 0x6c, 0x56, 0xf4, 0xea, 0x65, 0x7a, 0xae, 0x08,
    0xba, 0x78, 0x25, 0x2e, 0x1c, 0xa6, 0xb4, 0xc6, 0xe8, 0xdd, 0x74, 0x1f, 0x4b, 0xbd, 0x8b, 0x8a,
    0x70, 0x3e, 0xb5, 0x66, 0x48, 0x03, 0xf6, 0x0e, 0x61, 0x35, 0x57, 0xb9, 0x86, 0xc1, 0x1d, 0x9e,
    0xe1, 0xf8, 0x98, 0x11, 0x69, 0xd9, 0x8e, 0x94, 0x9b, 0x1e, 0x87, 0xe9, 0xce, 0x55, 0x28, 0xdf,
    0x8c, 0xa1, 0x89, 0x0d, 0xbf, 0xe6, 0x42, 0x68, 0x41, 0x99, 0x2d, 0x0f, 0xb0, 0x54, 0xbb, 0x16,
};

uint8_t Xtime(uint8_t x) { return static_cast<uint8_t>(x << 1 ^ (x & 0x80 ? 0x1b : 0)); }

// The 60 words of the AES-256 key expansion, four bytes each, in order.
std::array<std::array<uint8_t, 4>, 60> ExpandKeyWords(const Key256& key) {
  std::array<std::array<uint8_t, 4>, 60> w{};
  for (int i = 0; i < 8; ++i) {
    for (int b = 0; b < 4; ++b) w[i][b] = key[4 * i + b];
  }
  uint8_t rcon = 1;
  for (int i = 8; i < 60; ++i) {
    std::array<uint8_t, 4> t = w[i - 1];
    if (i % 8 == 0) {
      t = {static_cast<uint8_t>(kAesSbox[t[1]] ^ rcon), kAesSbox[t[2]], kAesSbox[t[3]],
           kAesSbox[t[0]]};
      rcon = Xtime(rcon);
    } else if (i % 8 == 4) {
      for (uint8_t& b : t) b = kAesSbox[b];
    }
    for (int b = 0; b < 4; ++b) w[i][b] = w[i - 8][b] ^ t[b];
  }
  return w;
}

void SubShiftRows(Block& state) {
  const Block copy = state;
  for (int i = 0; i < 16; ++i) state[i] = kAesSbox[copy[kShiftRows[i]]];
}

void MixColumns(Block& state) {
  for (int j = 0; j < 4; ++j) {
    uint8_t* c = &state[4 * j];
    const uint8_t all = c[0] ^ c[1] ^ c[2] ^ c[3];
    const uint8_t first = c[0];
    for (int k = 0; k < 4; ++k) {
      const uint8_t next = k < 3 ? c[k + 1] : first;
      c[k] ^= all ^ Xtime(c[k] ^ next);
    }
  }
}

// Appends values to a trace, most significant bit first.
class BitWriter {
 public:
  explicit BitWriter(uint64_t* words) : words_(words) {}

  void Put(uint32_t value, int width) {
    for (int i = width - 1; i >= 0; --i, ++position_) {
      words_[position_ / 64] |= static_cast<uint64_t>((value >> i) & 1) << (position_ % 64);
    }
  }

 private:
  uint64_t* words_;
  int position_ = 0;
};

// One reduction of the block transform: the four words of column j fold through the column's 24
// Xor tables into its four state bytes. Entries above 15 are masked, so that a damaged set cannot
// send the evaluation outside the tables (the set then fails the AES check instead).
void Reduce(const uint8_t (*xor_tables)[16][16], const uint32_t (&w)[4], uint8_t* column,
            BitWriter* trace) {
  for (int k = 0; k < 4; ++k) {
    const int high = 28 - 8 * k;
    const int low = high - 4;
    const auto xor_lookup = [&](int t, unsigned p, unsigned q) {
      const uint8_t value = xor_tables[6 * k + t][p & 15][q & 15] & 15;
      if (trace) trace->Put(value, 4);
      return value;
    };
    const uint8_t n0 = xor_lookup(0, w[0] >> high, w[1] >> high);
    const uint8_t n1 = xor_lookup(1, w[2] >> high, w[3] >> high);
    const uint8_t n2 = xor_lookup(2, w[0] >> low, w[1] >> low);
    const uint8_t n3 = xor_lookup(3, w[2] >> low, w[3] >> low);
    const uint8_t high_nibble = xor_lookup(4, n0, n1);
    column[k] = static_cast<uint8_t>(high_nibble << 4 | xor_lookup(5, n2, n3));
  }
}

// The Walsh-Hadamard transform of rows[0..256) in place, each row `Lanes` independent values:
// afterwards row a holds the sum over s of (-1)^parity(a & s) times the old row s. Two butterfly
// stages per pass over the rows, the four rows of a pass copied first, so that each store loop
// reads only locals and vectorizes.
template <typename Lane, int Lanes>
void WalshHadamard(Lane (*rows)[Lanes]) {
  for (int quarter = 1; quarter < 256; quarter *= 4) {
    for (int base = 0; base < 256; base += 4 * quarter) {
      for (int s = base; s < base + quarter; ++s) {
        Lane r[4][Lanes];
        for (int m = 0; m < 4; ++m) std::memcpy(r[m], rows[s + m * quarter], sizeof r[m]);
        Lane* out0 = rows[s];
        Lane* out1 = rows[s + quarter];
        Lane* out2 = rows[s + 2 * quarter];
        Lane* out3 = rows[s + 3 * quarter];
        for (int l = 0; l < Lanes; ++l) {
          out0[l] = static_cast<Lane>(r[0][l] + r[1][l] + r[2][l] + r[3][l]);
        }
        for (int l = 0; l < Lanes; ++l) {
          out1[l] = static_cast<Lane>(r[0][l] - r[1][l] + r[2][l] - r[3][l]);
        }
        for (int l = 0; l < Lanes; ++l) {
          out2[l] = static_cast<Lane>(r[0][l] + r[1][l] - r[2][l] - r[3][l]);
        }
        for (int l = 0; l < Lanes; ++l) {
          out3[l] = static_cast<Lane>(r[0][l] - r[1][l] - r[2][l] + r[3][l]);
        }
      }
    }
  }
}

// Trace bits correlated at once: one block of lanes through every transform.
constexpr int kLanes = 64;
constexpr int kLaneBlocks = kTraceBitsPerRound / kLanes;
static_assert(kTraceBitsPerRound % kLanes == 0);

// Scores every guess of one key byte. `signs[x][t]` is the sum of (-1)^bit t over the traces whose
// input byte is x, `counts[x]` their number; `n` traces in all. Lane is a type that holds +-n.
//
// For guess k the hypotheses are h_a(x) = parity(a & sbox[x ^ k]). With s = sbox[x ^ k], the sums
// over traces of (-1)^(bit t + h_a) for all a at once are one Walsh-Hadamard transform over s of
// signs[sbox^-1[s] ^ k][t]: 256 x 8 additions per trace bit and guess, whatever the trace count.
template <typename Lane>
void ScoreByte(const std::vector<int32_t>& signs, const std::array<int32_t, 256>& counts, int n,
               const Sbox& inverse_sbox, std::array<float, 256>& scores) {
  const float total = static_cast<float>(n);
  // The hypotheses' own means, from the same transform of the counts: (1/n) sum (-1)^h_a.
  std::vector<std::array<float, 256>> hypothesis_sum(256);
  std::vector<std::array<float, 256>> hypothesis_scale(256);
  for (int k = 0; k < 256; ++k) {
    int32_t rows[256][1];
    for (int s = 0; s < 256; ++s) rows[s][0] = counts[inverse_sbox[s] ^ k];
    WalshHadamard<int32_t, 1>(rows);
    for (int a = 0; a < 256; ++a) {
      const float mean = static_cast<float>(rows[a][0]) / total;
      hypothesis_sum[k][a] = static_cast<float>(rows[a][0]);
      // A constant hypothesis (a = 0, or too few traces) correlates with nothing.
      hypothesis_scale[k][a] = a == 0 || std::fabs(mean) >= 1 ? 0 : 1 / std::sqrt(1 - mean * mean);
    }
  }
  scores.fill(0);
  std::vector<Lane> block(256 * kLanes);
  std::vector<Lane> transformed(256 * kLanes);
  auto* rows = reinterpret_cast<Lane(*)[kLanes]>(transformed.data());
  for (int b = 0; b < kLaneBlocks; ++b) {
    float bit_sum[kLanes];
    float bit_scale[kLanes];
    for (int l = 0; l < kLanes; ++l) {
      int32_t sum = 0;
      for (int x = 0; x < 256; ++x) {
        const int32_t value = signs[x * kTraceBitsPerRound + b * kLanes + l];
        block[x * kLanes + l] = static_cast<Lane>(value);
        sum += value;
      }
      const float mean = static_cast<float>(sum) / total;
      bit_sum[l] = static_cast<float>(sum);
      // A bit that never changes correlates with nothing.
      bit_scale[l] = std::fabs(mean) >= 1 ? 0 : 1 / std::sqrt(1 - mean * mean);
    }
    for (int k = 0; k < 256; ++k) {
      for (int s = 0; s < 256; ++s) {
        std::memcpy(rows[s], &block[(inverse_sbox[s] ^ k) * kLanes], sizeof rows[s]);
      }
      WalshHadamard<Lane, kLanes>(rows);
      // n^2 times the covariance of bit t with h_a, scaled by both deviations.
      float best[kLanes] = {};
      for (int a = 1; a < 256; ++a) {
        const float h_sum = hypothesis_sum[k][a];
        const float h_scale = hypothesis_scale[k][a];
        for (int l = 0; l < kLanes; ++l) {
          const float covariance = static_cast<float>(rows[a][l]) * total - bit_sum[l] * h_sum;
          best[l] = std::max(best[l], std::fabs(covariance) * bit_scale[l] * h_scale);
        }
      }
      float score = scores[k];
      for (float value : best) score = std::max(score, value / (total * total));
      scores[k] = score;
    }
  }
}

// The next count to try after `count`: the next power of two or one and a half times one.
int NextCount(int count) {
  int power = 1;
  while (2 * power <= count) power *= 2;
  return count < power + power / 2 ? power + power / 2 : 2 * power;
}

}  // namespace

const Sbox& AesSbox() { return kAesSbox; }

Block EncryptRecording(const TableSet& tables, const Block& plaintext, Trace& trace) {
  std::memset(&trace, 0, sizeof trace);
  Block state = plaintext;
  for (int r = 0; r < kFullRounds; ++r) {
    std::optional<BitWriter> writer;
    if (r < 2) writer.emplace(trace.words[r]);
    BitWriter* recording = writer ? &*writer : nullptr;
    const Block shifted = state;
    for (int i = 0; i < 16; ++i) state[i] = shifted[kShiftRows[i]];
    for (int j = 0; j < 4; ++j) {
      uint8_t* column = &state[4 * j];
      const auto* xor_tables = tables.xor_tables[r] + kXorTablesPerColumn * j;
      for (const auto* stage : {&tables.tyboxes[r], &tables.mbl[r]}) {
        uint32_t w[4];
        for (int i = 0; i < 4; ++i) {
          w[i] = (*stage)[4 * j + i][column[i]];
          if (recording) recording->Put(w[i], 32);
        }
        Reduce(xor_tables, w, column, recording);
      }
    }
  }
  const Block shifted = state;
  for (int i = 0; i < 16; ++i) state[i] = tables.tboxes_last[i][shifted[kShiftRows[i]]];
  return state;
}

Block AesEncrypt(const Key256& key, const Block& plaintext) {
  const auto w = ExpandKeyWords(key);
  Block state = plaintext;
  for (int round = 0; round <= kAesRounds; ++round) {
    if (round > 0) SubShiftRows(state);
    if (round > 0 && round < kAesRounds) MixColumns(state);
    for (int i = 0; i < 16; ++i) state[i] ^= w[4 * round + i / 4][i % 4];
  }
  return state;
}

Block AfterFirstRound(const Key256& key, const Block& plaintext) {
  Block state = plaintext;
  for (int i = 0; i < 16; ++i) state[i] ^= key[i];
  SubShiftRows(state);
  MixColumns(state);
  return state;
}

GuessScores ScoreGuesses(std::span<const Trace> traces, std::span<const Block> inputs, int round,
                         const Sbox& sbox) {
  Sbox inverse{};
  for (int x = 0; x < 256; ++x) inverse[sbox[x]] = static_cast<uint8_t>(x);
  const int n = static_cast<int>(traces.size());
  // Each trace's bits of the round once, as -1 (set) or +1, for the sums below.
  std::vector<int8_t> signs_of_trace(traces.size() * kTraceBitsPerRound);
  for (size_t i = 0; i < traces.size(); ++i) {
    for (int t = 0; t < kTraceBitsPerRound; ++t) {
      const uint64_t bit = traces[i].words[round][t / 64] >> (t % 64) & 1;
      signs_of_trace[i * kTraceBitsPerRound + t] = bit ? -1 : 1;
    }
  }
  GuessScores scores{};
  std::vector<int32_t> signs(256 * kTraceBitsPerRound);
  for (int byte = 0; byte < 16; ++byte) {
    std::fill(signs.begin(), signs.end(), 0);
    std::array<int32_t, 256> counts{};
    for (size_t i = 0; i < traces.size(); ++i) {
      const uint8_t x = inputs[i][byte];
      ++counts[x];
      int32_t* row = &signs[x * kTraceBitsPerRound];
      const int8_t* bits = &signs_of_trace[i * kTraceBitsPerRound];
      for (int t = 0; t < kTraceBitsPerRound; ++t) row[t] += bits[t];
    }
    // The transform's sums stay within +-n: 16-bit lanes do twice the work of 32-bit ones.
    if (n <= 32767) {
      ScoreByte<int16_t>(signs, counts, n, inverse, scores[byte]);
    } else {
      ScoreByte<int32_t>(signs, counts, n, inverse, scores[byte]);
    }
  }
  return scores;
}

int CountRankedFirst(const GuessScores& scores, const Block& true_key) {
  int ranked_first = 0;
  for (int byte = 0; byte < 16; ++byte) {
    const auto& guesses = scores[byte];
    const float right = guesses[true_key[byte]];
    bool first = true;
    for (int k = 0; k < 256; ++k) {
      if (k != true_key[byte] && guesses[k] >= right) first = false;
    }
    ranked_first += first;
  }
  return ranked_first;
}

Block BestGuesses(const GuessScores& scores) {
  Block best{};
  for (int byte = 0; byte < 16; ++byte) {
    const auto& guesses = scores[byte];
    best[byte] =
        static_cast<uint8_t>(std::max_element(guesses.begin(), guesses.end()) - guesses.begin());
  }
  return best;
}

DcaReport RunDca(const TableSet& tables, const Key256& key, int max_traces, RandomSource& random,
                 int first_traces) {
  DcaReport report;
  report.max_traces = max_traces;
  std::vector<Block> plaintexts(max_traces);
  std::vector<Block> second_inputs(max_traces);
  std::vector<Trace> traces(max_traces);
  for (int i = 0; i < max_traces; ++i) {
    random.Fill(plaintexts[i].data(), plaintexts[i].size());
    if (EncryptRecording(tables, plaintexts[i], traces[i]) != AesEncrypt(key, plaintexts[i])) {
      report.computes_aes = false;
      return report;
    }
    second_inputs[i] = AfterFirstRound(key, plaintexts[i]);
  }
  Block first_key{};
  Block second_key{};
  std::copy(key.begin(), key.begin() + 16, first_key.begin());
  std::copy(key.begin() + 16, key.end(), second_key.begin());
  for (int count = first_traces;; count = std::min(NextCount(count), max_traces)) {
    const std::span<const Trace> some(traces.data(), count);
    const auto first = ScoreGuesses(some, {plaintexts.data(), size_t(count)}, 0, AesSbox());
    const auto second = ScoreGuesses(some, {second_inputs.data(), size_t(count)}, 1, AesSbox());
    DcaStep step{
        count, CountRankedFirst(first, first_key), CountRankedFirst(second, second_key), {}};
    const Block best_first = BestGuesses(first);
    const Block best_second = BestGuesses(second);
    std::copy(best_first.begin(), best_first.end(), step.best_guess.begin());
    std::copy(best_second.begin(), best_second.end(), step.best_guess.begin() + 16);
    report.steps.push_back(step);
    if (step.first_half_first == 16 && !report.first_half_at) report.first_half_at = count;
    if (step.second_half_first == 16 && !report.second_half_at) report.second_half_at = count;
    if (step.first_half_first == 16 && step.second_half_first == 16) {
      report.key_at = count;
      break;
    }
    if (count == max_traces) break;
  }
  return report;
}

std::string FormatDcaReport(const DcaReport& report) {
  if (!report.computes_aes) {
    return "ERROR: the table set does not compute AES-256 under this key\n";
  }
  std::string text = "traces  key bytes ranked first: 0-15  16-31 (given 0-15)\n";
  char line[200];
  for (const DcaStep& step : report.steps) {
    std::snprintf(line, sizeof line, "%6d  %29d  %5d\n", step.traces, step.first_half_first,
                  step.second_half_first);
    text += line;
  }
  const auto at = [](const std::optional<int>& count) {
    return count ? std::to_string(*count) : std::string("-");
  };
  if (report.key_at) {
    const Key256& key = report.steps.back().best_guess;
    text +=
        "LEAK: AES-256 key recovered by DCA: " + tools_common::HexDigits(key.data(), key.size()) +
        "\n";
    std::snprintf(line, sizeof line,
                  "FAIL: the whole key ranks first with %d traces (key bytes 0-15 first with %s, "
                  "16-31 with %s)\n",
                  *report.key_at, at(report.first_half_at).c_str(),
                  at(report.second_half_at).c_str());
  } else {
    int best = 0;
    for (const DcaStep& step : report.steps) {
      best = std::max(best, step.first_half_first + step.second_half_first);
    }
    std::snprintf(line, sizeof line,
                  "PASS: the key is not recovered with up to %d traces (at most %d of 32 key bytes "
                  "ranked first; key bytes 0-15 first with %s, 16-31 with %s)\n",
                  report.max_traces, best, at(report.first_half_at).c_str(),
                  at(report.second_half_at).c_str());
  }
  return text + line;
}

}  // namespace whitebox
