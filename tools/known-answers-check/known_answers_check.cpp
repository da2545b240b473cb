// launcher-known-answers-check KNOWN_ANSWERS DISTRIBUTION_KEY
//
// Proves the deployment data compiled into this program - the same initializers, included the same
// way (aes_whitebox_embedded_tables.h), as the launcher's - against the files the build was
// configured with:
//   - the table set against the known answers in KNOWN_ANSWERS (the format of
//     tools/whitebox/known_answers.h), through the launcher's own cipher: every vector is encrypted
//     and decrypted in CFB mode on every evaluation path this processor has, so the verdict does
//     not depend on which path the launcher's processor will pick; and the blocks whose whole
//     output the vectors check must together read every table entry that some input can read
//     (table_coverage.h), so that no entry that matters escapes the proof: one damaged entry
//     changes some answer, and a file too thin to reach every such entry is refused, whatever it
//     holds;
//   - the encrypted distribution key against DISTRIBUTION_KEY, byte for byte: a fragment edited or
//     left over from another configuration would otherwise ship a key nobody chose.
//
// Exit status: 0 when both agree; 1 when a vector does not agree (each such vector named on
// standard error), the vectors leave table entries unread (how many, in which tables), an Xor
// entry is not a 4-bit value (the cipher could not evaluate the set), or
// the key differs from the file (both named, with the first differing byte); 2 when a file cannot
// be read, KNOWN_ANSWERS is not in the format or holds no vector with data (a file that proves
// nothing must not pass). Both checks run, whatever the first finds. The build runs it on the build
// host before it links the launcher, so data that fails cannot ship.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "aes_whitebox.h"
#include "aes_whitebox_internal.h"
#include "aes_whitebox_tables.h"
#include "known_answers.h"
#include "read_file.h"
#include "table_coverage.h"
#include "table_set.h"

namespace {

#include "aes_whitebox_embedded_tables.h"

using launcher_cipher::CipherPath;

struct NamedPath {
  CipherPath path;
  const char* name;
};

constexpr NamedPath kPaths[] = {
    {CipherPath::kDefinition, "definition"},
    {CipherPath::kPortable, "portable"},
    {CipherPath::kAvx2, "AVX2"},
    {CipherPath::kAvx512Vbmi, "AVX-512 VBMI"},
};

using ModeFunction = void (*)(const uint8_t*, const uint8_t*, uint32_t, uint8_t*);

std::vector<uint8_t> Run(ModeFunction mode, const whitebox::Block& iv,
                         const std::vector<uint8_t>& input) {
  std::vector<uint8_t> output(input.size());
  mode(iv.data(), input.data(), static_cast<uint32_t>(input.size()), output.data());
  return output;
}

// Where `actual` first differs from `expected` (same length), and 16 bytes of each from there.
std::string DescribeDifference(const std::vector<uint8_t>& expected,
                               const std::vector<uint8_t>& actual) {
  size_t first = 0;
  while (expected[first] == actual[first]) ++first;
  const size_t shown = std::min<size_t>(16, expected.size() - first);
  return "differs from byte " + std::to_string(first) + ": expected " +
         whitebox::HexText(expected.data() + first, shown) + ", got " +
         whitebox::HexText(actual.data() + first, shown);
}

// The first disagreement of `answer` on the current path, empty if there is none.
std::string Disagreement(const whitebox::KnownAnswer& answer) {
  const auto encrypted = Run(aes_whitebox_encrypt_cfb, answer.iv, answer.plaintext);
  if (encrypted != answer.ciphertext) {
    return "CFB encryption " + DescribeDifference(answer.ciphertext, encrypted);
  }
  const auto decrypted = Run(aes_whitebox_decrypt_cfb, answer.iv, answer.ciphertext);
  if (decrypted != answer.plaintext) {
    return "CFB decryption " + DescribeDifference(answer.plaintext, decrypted);
  }
  return "";
}

// The cipher uses every Xor entry unmasked, as an index into the next lookup, so a set with an
// entry above 15 would make it read outside its tables. Returns the first such entry and the
// count, empty if there is none.
std::string InvalidXorEntries() {
  std::string first;
  size_t count = 0;
  for (int r = 0; r < kFullRounds; ++r) {
    for (int t = 0; t < kXorTablesPerRound; ++t) {
      for (int p = 0; p < kNibbleValues; ++p) {
        for (int q = 0; q < kNibbleValues; ++q) {
          if (GXor[r][t][p][q] <= 15) continue;
          if (++count == 1) {
            first = "Xor[" + std::to_string(r) + "][" + std::to_string(t) + "][" +
                    std::to_string(p) + "][" + std::to_string(q) +
                    "] = " + std::to_string(GXor[r][t][p][q]);
          }
        }
      }
    }
  }
  if (count == 0) return "";
  return first + ", not a 4-bit value (" + std::to_string(count) +
         (count == 1 ? " such entry)" : " such entries)");
}

// The known answers in `path`, or the exit status that stops the check: a file that cannot be read,
// is not in the format or holds no vector with data (it would prove nothing) is a usage error.
std::optional<std::vector<whitebox::KnownAnswer>> LoadKnownAnswers(const char* path) {
  const auto text = tools_common::ReadFile(path);
  if (!text) {
    std::fprintf(stderr, "launcher-known-answers-check: cannot read %s\n", path);
    return std::nullopt;
  }
  auto parsed = whitebox::ParseKnownAnswers(*text);
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "launcher-known-answers-check: %s, %s\n", path, parsed.error.c_str());
    return std::nullopt;
  }
  size_t with_data = 0;
  for (const auto& answer : parsed.answers) with_data += answer.plaintext.empty() ? 0 : 1;
  if (with_data == 0) {
    std::fprintf(stderr, "launcher-known-answers-check: %s holds no known answer with data\n",
                 path);
    return std::nullopt;
  }
  return std::move(parsed.answers);
}

// The evaluation paths this processor can take, in the order of kPaths.
std::vector<const NamedPath*> AvailablePaths() {
  std::vector<const NamedPath*> paths;
  for (const NamedPath& named : kPaths) {
    if (launcher_cipher::SetCipherPathForTesting(named.path)) paths.push_back(&named);
  }
  return paths;
}

std::string PathNames(const std::vector<const NamedPath*>& paths) {
  std::string names;
  for (const NamedPath* named : paths) {
    names += (names.empty() ? "" : ", ") + std::string(named->name);
  }
  return names;
}

// How known answer `number` (1-based, of `path`) fails: its first disagreement and every path it
// fails on; empty when it agrees on all of `paths`.
std::string Failure(size_t number, const whitebox::KnownAnswer& answer, const char* path,
                    const std::vector<const NamedPath*>& paths) {
  std::string first_disagreement;
  std::vector<const NamedPath*> failing_paths;
  for (const NamedPath* named : paths) {
    // Short runs on the vector kernels too: each path evaluates every block of every vector.
    launcher_cipher::SetCipherPathForTesting(named->path, /*batch_every_count=*/true);
    const std::string disagreement = Disagreement(answer);
    if (disagreement.empty()) continue;
    if (first_disagreement.empty()) first_disagreement = disagreement;
    failing_paths.push_back(named);
  }
  if (first_disagreement.empty()) return "";
  return "known answer " + std::to_string(number) + " (" + path + " line " +
         std::to_string(answer.line) + ", " + std::to_string(answer.plaintext.size()) +
         " bytes, IV " + whitebox::HexText(answer.iv.data(), answer.iv.size()) +
         "): " + first_disagreement + " (on the paths " + PathNames(failing_paths) + ")";
}

// The embedded set in the generator's shapes: the same arrays, element for element.
std::unique_ptr<whitebox::TableSet> EmbeddedTableSet() {
  auto tables = std::make_unique<whitebox::TableSet>();
  static_assert(
      sizeof tables->xor_tables == sizeof GXor && sizeof tables->tyboxes == sizeof GTyboxes &&
      sizeof tables->tboxes_last == sizeof GTboxesLast && sizeof tables->mbl == sizeof GMBL);
  std::memcpy(tables->xor_tables, GXor, sizeof GXor);
  std::memcpy(tables->tyboxes, GTyboxes, sizeof GTyboxes);
  std::memcpy(tables->tboxes_last, GTboxesLast, sizeof GTboxesLast);
  std::memcpy(tables->mbl, GMBL, sizeof GMBL);
  return tables;
}

// What the known answers leave unproven: the entries of the embedded set that some input can read
// and no block whose whole output they check reads ("" when there is none); and, in `unreadable`,
// how many entries no input can read at all.
std::string UnreadEntries(const std::vector<whitebox::KnownAnswer>& answers, size_t& unreadable) {
  const auto tables = EmbeddedTableSet();
  whitebox::TableCoverage coverage(*tables);
  for (const auto& answer : answers) coverage.EvaluateKnownAnswer(answer);
  unreadable = 0;
  for (const auto& table : coverage.Counts()) unreadable += table.entries - table.readable;
  return coverage.DescribeUnread();
}

int CheckKnownAnswers(const char* path) {
  const auto answers = LoadKnownAnswers(path);
  if (!answers) return 2;
  const std::string invalid = InvalidXorEntries();
  if (!invalid.empty()) {
    std::fprintf(stderr,
                 "launcher-known-answers-check: the embedded white-box table set is not valid: "
                 "%s\n",
                 invalid.c_str());
    return 1;
  }
  initializeCipher(GXor, GTyboxes, GTboxesLast, GMBL);
  const std::vector<const NamedPath*> paths = AvailablePaths();
  std::vector<std::string> failures;
  for (size_t i = 0; i < answers->size(); ++i) {
    std::string failure = Failure(i + 1, (*answers)[i], path, paths);
    if (!failure.empty()) failures.push_back(std::move(failure));
  }
  if (!failures.empty()) {
    std::fprintf(stderr,
                 "launcher-known-answers-check: the embedded white-box table set does not compute "
                 "its known answers:\n");
    for (const auto& failure : failures) std::fprintf(stderr, "  %s\n", failure.c_str());
    return 1;
  }
  size_t unreadable = 0;
  const std::string unread = UnreadEntries(*answers, unreadable);
  if (!unread.empty()) {
    std::fprintf(stderr,
                 "launcher-known-answers-check: the known answers of %s do not prove the whole "
                 "embedded white-box table set: no block they check reads %s (make them with "
                 "launcher-tablegen, which adds vectors until every entry is read)\n",
                 path, unread.c_str());
    return 1;
  }
  std::printf(
      "The embedded white-box table set computes all %zu known answers of %s, which read every "
      "entry of its tables that any input can read (all but %zu) (CFB encryption and decryption on "
      "the paths %s)\n",
      answers->size(), path, unreadable, PathNames(paths).c_str());
  return 0;
}

// The path of the fragment the key was compiled from, named in the verdict.
#ifndef LAUNCHER_DISTRIBUTION_KEY_FRAGMENT
#error "LAUNCHER_DISTRIBUTION_KEY_FRAGMENT is set by launcher_add_known_answer_checker"
#endif

int CheckDistributionKey(const char* path) {
  const char* const fragment = LAUNCHER_DISTRIBUTION_KEY_FRAGMENT;
  const auto read = tools_common::ReadFile(path);
  if (!read) {
    std::fprintf(stderr, "launcher-known-answers-check: cannot read %s\n", path);
    return 2;
  }
  const std::string& file = *read;
  const auto* file_bytes = reinterpret_cast<const uint8_t*>(file.data());
  const std::string compiled_hex = whitebox::HexText(distKey, sizeof distKey);
  const std::string file_hex = whitebox::HexText(file_bytes, file.size());
  if (file.size() != sizeof distKey) {
    std::fprintf(stderr,
                 "launcher-known-answers-check: the embedded distribution key (%s, %zu bytes) "
                 "differs from %s, which holds %zu bytes\n  embedded: %s\n  file:     %s\n",
                 fragment, sizeof distKey, path, file.size(), compiled_hex.c_str(),
                 file_hex.c_str());
    return 1;
  }
  const auto differ = std::mismatch(std::begin(distKey), std::end(distKey), file_bytes);
  if (differ.first != std::end(distKey)) {
    std::fprintf(stderr,
                 "launcher-known-answers-check: the embedded distribution key (%s) differs from "
                 "%s from byte %td: embedded %02x, file %02x\n  embedded: %s\n  file:     %s\n",
                 fragment, path, differ.first - std::begin(distKey), *differ.first, *differ.second,
                 compiled_hex.c_str(), file_hex.c_str());
    return 1;
  }
  std::printf("The embedded distribution key (%s) equals %s, all %zu bytes\n", fragment, path,
              sizeof distKey);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: launcher-known-answers-check KNOWN_ANSWERS DISTRIBUTION_KEY\n", stderr);
    return 2;
  }
  const int key_status = CheckDistributionKey(argv[2]);
  return std::max(CheckKnownAnswers(argv[1]), key_status);
}
