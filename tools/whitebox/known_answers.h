// Known answers: AES-256 CFB vectors computed from a key with the textbook AES of aes_reference.h,
// never from a table set, so that a set can be proven against them without the key. The build
// evaluates the table set it embeds on every vector before it links the launcher.
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

#include "aes_reference.h"
#include "random_source.h"

namespace whitebox {

struct KnownAnswer {
  Block iv{};
  std::vector<uint8_t> plaintext;
  std::vector<uint8_t> ciphertext;
  int line = 0;  // 1-based line of the file it was read from; 0 if it was not read from a file
};

// The plaintext lengths MakeKnownAnswers draws, in order: empty, one block, a partial block,
// several blocks ending in a partial one, and 4096 blocks, enough for the vectors to read nearly
// every entry of every table, so that a change to almost any single entry shows in their results.
inline constexpr size_t kKnownAnswerLengths[] = {0, 16, 7, 61, 65536};

// CFB-128 encryption of `plaintext` under `key` with initial vector `iv` by EncryptBlock.
std::vector<uint8_t> ReferenceEncryptCfb(const Key256& key, const Block& iv,
                                         const std::vector<uint8_t>& plaintext);

// One vector per length of kKnownAnswerLengths, with IVs and plaintexts drawn from `random` (IV
// first, then the plaintext, vector by vector) and ciphertexts computed by ReferenceEncryptCfb.
std::vector<KnownAnswer> MakeKnownAnswers(const Key256& key, RandomSource& random);

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
