#include "known_answers.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "hex.h"

namespace whitebox {

namespace {

constexpr std::string_view kEmptyText = "-";

// The bytes of `field` ("-" for none); nullopt unless it is an even number of hexadecimal digits.
std::optional<std::vector<uint8_t>> ParseHexField(std::string_view field) {
  if (field == kEmptyText) return std::vector<uint8_t>{};
  if (field.empty()) return std::nullopt;
  return tools_common::ParseHexBytes(field);
}

std::vector<std::string_view> SplitOnSpaces(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  for (;;) {
    const size_t end = line.find(' ', start);
    fields.push_back(line.substr(start, end - start));
    if (end == std::string_view::npos) return fields;
    start = end + 1;
  }
}

// Parses one vector line; returns the error text, empty on success.
std::string ParseVectorLine(std::string_view line, KnownAnswer& answer) {
  const auto fields = SplitOnSpaces(line);
  if (fields.size() != 4) {
    return "expected 'cfb IV PLAINTEXT CIPHERTEXT' (4 fields separated by single spaces), found " +
           std::to_string(fields.size()) + " fields";
  }
  if (fields[0] != "cfb") return "unknown mode '" + std::string(fields[0]) + "', expected cfb";
  const auto iv = ParseHexField(fields[1]);
  if (!iv || iv->size() != answer.iv.size()) return "the IV must be 32 hexadecimal digits";
  const auto plaintext = ParseHexField(fields[2]);
  if (!plaintext) return "the plaintext must be hexadecimal digits in pairs, or - when empty";
  const auto ciphertext = ParseHexField(fields[3]);
  if (!ciphertext) return "the ciphertext must be hexadecimal digits in pairs, or - when empty";
  if (ciphertext->size() != plaintext->size()) {
    return "the plaintext has " + std::to_string(plaintext->size()) + " bytes, the ciphertext " +
           std::to_string(ciphertext->size());
  }
  std::copy(iv->begin(), iv->end(), answer.iv.begin());
  answer.plaintext = *plaintext;
  answer.ciphertext = *ciphertext;
  return "";
}

}  // namespace

std::string HexText(const uint8_t* bytes, size_t length) {
  return length == 0 ? std::string(kEmptyText) : tools_common::HexDigits(bytes, length);
}

std::string FormatKnownAnswers(const std::vector<KnownAnswer>& answers) {
  std::string text =
      "# Known answers of an AES-256 key: CFB-128 (NIST SP 800-38A) vectors, one per line:\n"
      "# cfb IV PLAINTEXT CIPHERTEXT (hexadecimal; - stands for an empty text)\n";
  for (const KnownAnswer& answer : answers) {
    text += "cfb " + HexText(answer.iv.data(), answer.iv.size()) + " " +
            HexText(answer.plaintext.data(), answer.plaintext.size()) + " " +
            HexText(answer.ciphertext.data(), answer.ciphertext.size()) + "\n";
  }
  return text;
}

ParsedKnownAnswers ParseKnownAnswers(std::string_view text) {
  ParsedKnownAnswers parsed;
  int number = 0;
  while (!text.empty()) {
    ++number;
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    KnownAnswer answer;
    answer.line = number;
    const std::string error = ParseVectorLine(line, answer);
    if (!error.empty()) {
      parsed.answers.clear();
      parsed.error = "line " + std::to_string(number) + ": " + error;
      return parsed;
    }
    parsed.answers.push_back(std::move(answer));
  }
  return parsed;
}

}  // namespace whitebox
