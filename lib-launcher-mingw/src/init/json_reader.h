// Cursor over JSON text (RFC 8259) for decoders that read one value at a time and want precise,
// positioned error messages.
//
// Positions: every error carries " at line L column C", computed from `end`, the number of bytes of
// the text consumed when decoding stopped. L is 1 plus the number of line feeds among those bytes;
// C is the number of those bytes after the last such line feed. Where decoding stops:
//  - a syntax error on an offending byte at offset i: end = i + 1 (an
//    offending line feed therefore reports column 0 of the next line);
//  - an unexpected end of text: end = text.size();
//  - a scalar value (string, number, literal) of the wrong type or value: just
//    past its last byte;
//  - a number out of range: just past its last byte, or just past the
//    exponent digit that overflowed (see Reader::read_number);
//  - an array or object of the wrong type: just before its opening bracket,
//    so the whitespace before it counts and the bracket does not (a bracket
//    that begins a line reports column 0 of that line).
//
// Values under keys that a decoder ignores are checked for syntax only: their numbers are never
// converted, so no magnitude is out of range there.
//
// The reader never recurses: skipping a value of any nesting depth uses an explicit stack, so
// hostile input cannot exhaust the call stack.
#ifndef LAUNCHER_INIT_JSON_READER_H_
#define LAUNCHER_INIT_JSON_READER_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "result.h"

namespace launcher::json {

// Line and column, as counted above, once the first `end` bytes of `text` are consumed; the
// position of the byte at offset i is therefore position_after(text, i + 1).
// REQUIRES: end <= text.size().
struct Position {
  std::size_t line;
  std::size_t column;
};
Position position_after(std::string_view text, std::size_t end);

// The error message for `message` when decoding stopped after consuming the first `end` bytes of
// `text`. REQUIRES: end <= text.size().
Error error_at(std::string_view text, std::size_t end, std::string_view message);

// A parsed JSON number. Integers are those written without fraction or exponent that fit in int64
// (negative) or uint64 (non-negative); anything else, including "-0", is floating point (integers
// carry no negative zero, so the written sign is kept this way).
struct Number {
  enum class Kind { unsigned_integer, signed_integer, floating } kind;
  std::uint64_t u = 0;  // valid iff kind == unsigned_integer
  std::int64_t i = 0;   // valid iff kind == signed_integer (always < 0)
  double d = 0;         // valid iff kind == floating; always finite
};

// How raw bytes 0x00-0x1F between the quotes of a string are treated.
enum class StringMode {
  text,         // they are an error (RFC 8259)
  byte_string,  // they are kept in the value unchanged
};

// Formats `value` the way error messages show floating point numbers: the shortest digits that read
// back as the same double, written out in full with no exponent at any magnitude, and ".0" appended
// when that leaves no decimal point ("97.0", "-0.0", "0.0000001", "18446744073709552000.0").
// REQUIRES: value is finite.
std::string format_double(double value);

// Quotes decoded string bytes for an error message: wrapped in double quotes; `"` and `\` become
// \" and \\; line feed, carriage return and tab become \n, \r and \t; every other byte below 0x20,
// and 0x7F, becomes \u{XX} with two lower-case hex digits. All other bytes are copied unchanged.
std::string quote_for_message(std::string_view bytes);

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  // Moves past spaces, tabs, line feeds and carriage returns.
  void skip_whitespace();
  // True iff every byte has been consumed.
  bool at_end() const { return pos_ == text_.size(); }
  // The next unconsumed byte. REQUIRES: !at_end().
  char peek() const { return text_[pos_]; }
  // Consumes one byte. REQUIRES: !at_end().
  void advance() { ++pos_; }
  // Number of bytes consumed so far.
  std::size_t offset() const { return pos_; }

  // Reads a string. REQUIRES: peek() == '"'. On success the cursor is past the closing quote; the
  // decoded bytes are appended to *out unless out is null.
  bool read_string(std::string* out, StringMode mode);

  // Reads a number. REQUIRES: peek() is '-' or a digit. An exponent is read digit by digit as a
  // signed 32-bit magnitude; once it no longer fits, it alone decides the value: with a positive
  // exponent and a significand that has a non-zero digit the read fails with "number out of range"
  // just past the digit that overflowed, digits still following; otherwise the value is a zero of
  // the number's sign. With an exponent that fits, the read fails with "number out of range" just
  // past the number iff its magnitude is too large for a double (one too small reads as a zero of
  // its sign).
  bool read_number(Number& out);

  // Skips one complete value of any type and depth, checking its syntax fully but converting
  // nothing: keys and strings within it are read in StringMode::text, numbers only scanned. Leading
  // whitespace is skipped first.
  bool skip_value();

  // Reads the value at the cursor, which the caller cannot accept, as far as needed to name its
  // type, and fails with "invalid type: {found}, expected {expected}". Arrays and objects are named
  // from their opening bracket without consuming it, so the error is positioned just before it.
  // Syntax errors met on the way take precedence. Leading whitespace is skipped first. Always
  // returns false.
  bool fail_invalid_type(std::string_view expected);

  // For a number just read that the caller cannot accept: fail with "invalid type: ..." (n is
  // floating point) or "invalid value: ..." (n is an integer), positioned just past the number.
  // Always return false.
  bool fail_invalid_type(const Number& n, std::string_view expected);
  bool fail_invalid_integer(const Number& n, std::string_view expected);

  // Fail with `message`, positioned after the byte at the cursor (which is the offending one), or
  // after the last byte consumed. Both return false.
  bool fail_at_next_byte(std::string_view message);  // REQUIRES: !at_end()
  bool fail_here(std::string_view message);
  // Fails with "EOF while parsing {what}" at the end of the text.
  bool fail_eof(std::string_view what);

  // The failure recorded by the last fail_*; REQUIRES: some call failed.
  Error take_error() { return std::move(*error_); }

 private:
  bool read_literal(std::string_view word);
  bool read_hex4(std::uint16_t& unit);
  bool read_escape(std::string* out);

  // Steps of read_number. scan_number checks the syntax of the number at the cursor and moves past
  // it; `floating` tells whether it has a fraction or an exponent. scan_digits requires at least
  // one digit at the cursor.
  bool scan_number(bool& floating);
  bool scan_digits();
  // Converts `written`, a whole number as scan_number accepted it, to a double into `out`, with
  // read_number's range rules. The cursor must still be just past it.
  bool convert_floating(std::string_view written, Number& out);

  // Steps of skip_value. `open` holds the closing bracket of every container entered and not yet
  // left, innermost last.
  bool skip_scalar();
  // Enters the container at the cursor. An empty one is consumed whole and leaves `value_due`
  // clear; otherwise its first value is due: `value_due` is set, its bracket pushed on `open`, and
  // an object's first key read.
  bool enter_skipped_container(std::string& open, bool& value_due);
  // After a complete value: leaves every open container that ends here, until one continues with a
  // comma (its next value is then due, and an object's next key read) or none is left open. So on
  // success a value is due iff `open` is not empty.
  bool leave_skipped_containers(std::string& open);
  // The key and colon of a member of an object being skipped, whitespace before them included.
  bool read_skipped_key();

  bool fail_at(std::size_t end, std::string_view message);

  std::string_view text_;
  std::size_t pos_ = 0;
  std::optional<Error> error_;
};

// Messages shared between the reader and the decoders built on it.
inline constexpr std::string_view kEofList = "a list";
inline constexpr std::string_view kEofObject = "an object";
inline constexpr std::string_view kEofString = "a string";
inline constexpr std::string_view kEofValue = "a value";
inline constexpr std::string_view kExpectedColon = "expected `:`";
inline constexpr std::string_view kExpectedCommaOrBracket = "expected `,` or `]`";
inline constexpr std::string_view kExpectedCommaOrBrace = "expected `,` or `}`";
inline constexpr std::string_view kExpectedValue = "expected value";
inline constexpr std::string_view kKeyMustBeString = "key must be a string";
inline constexpr std::string_view kTrailingComma = "trailing comma";
inline constexpr std::string_view kTrailingCharacters = "trailing characters";

}  // namespace launcher::json

#endif  // LAUNCHER_INIT_JSON_READER_H_
