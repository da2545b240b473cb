// Known answers: AES-256 CFB vectors computed from a key by an independent AES
// (make_known_answers.h, on the build host), never from a table set, so that a set can be proven
// against them without the key. The build evaluates the table set it embeds on every vector before
// it links the launcher, and requires that they read every entry that some input can read
// (table_coverage.h).
//
// File format (text, one vector per line, fields separated by one space):
//   cfb IV PLAINTEXT CIPHERTEXT
// IV is 32 hexadecimal digits; PLAINTEXT and CIPHERTEXT are two hexadecimal digits per byte, of
// equal length, or "-" for an empty text. CIPHERTEXT is the CFB-128 encryption (NIST SP 800-38A,
// 128-bit feedback, a partial last block using the first bytes of its keystream) of PLAINTEXT
// under the key with initial vector IV. Empty lines and lines starting with '#' are ignored.
//
// A file holds plaintext-ciphertext pairs under the key and nothing else: it reveals no more of the
// key than any such pair does.
#ifndef LAUNCHER_TOOLS_WHITEBOX_KNOWN_ANSWERS_H_
#define LAUNCHER_TOOLS_WHITEBOX_KNOWN_ANSWERS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "aes_building_blocks.h"

namespace whitebox {

struct KnownAnswer {
  Block iv{};
  std::vector<uint8_t> plaintext;
  std::vector<uint8_t> ciphertext;
  int line = 0;  // 1-based line of the file it was read from; 0 if it was not read from a file
};

// The file text for `answers`: a comment naming the format, then one line per vector.
std::string FormatKnownAnswers(const std::vector<KnownAnswer>& answers);

struct ParsedKnownAnswers {
  std::vector<KnownAnswer> answers;  // in file order; valid iff error is empty
  std::string error;                 // "line N: what is wrong" when the text is not valid
};

// Reads a file text in the format above; the first invalid line ends the parse with an error.
ParsedKnownAnswers ParseKnownAnswers(std::string_view text);

// Lower-case hex of `bytes`, "-" when empty: the notation of the file format.
std::string HexText(const uint8_t* bytes, size_t length);

}  // namespace whitebox

#endif  // LAUNCHER_TOOLS_WHITEBOX_KNOWN_ANSWERS_H_
