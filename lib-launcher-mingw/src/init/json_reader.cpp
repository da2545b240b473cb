#include "json_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace launcher::json {

namespace {

constexpr std::string_view kControlCharacter =
    "control character (\\u0000-\\u001F) found while parsing a string";
constexpr std::string_view kInvalidEscape = "invalid escape";
constexpr std::string_view kInvalidNumber = "invalid number";
constexpr std::string_view kNumberOutOfRange = "number out of range";
constexpr std::string_view kLoneSurrogate = "lone leading surrogate in hex escape";
constexpr std::string_view kEndOfHexEscape = "unexpected end of hex escape";
constexpr std::string_view kExpectedIdent = "expected ident";

bool is_digit(char c) { return c >= '0' && c <= '9'; }

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void append_utf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// For a syntactically valid JSON number that std::from_chars reported out of range: true iff its
// magnitude is too large (rather than too small) for a double. Such a magnitude is >= 1 exactly
// when the decimal exponent of its leading significant digit is >= 0, which is all this needs to
// decide.
bool magnitude_overflows(std::string_view number) {
  if (!number.empty() && number.front() == '-') number.remove_prefix(1);
  const std::size_t int_len = std::min(number.find_first_of(".eE"), number.size());
  const std::string_view int_part = number.substr(0, int_len);
  std::string_view rest = number.substr(int_len);

  // Saturate far beyond any exponent that matters, without overflowing.
  constexpr std::int64_t kCap = 100'000'000'000'000'000;  // 1e17
  std::int64_t leading_exponent = 0;  // exponent of the leading digit, before 'e'
  if (int_part != "0") {
    leading_exponent = static_cast<std::int64_t>(int_part.size()) - 1;
  } else {
    std::int64_t zeros = 0;
    if (!rest.empty() && rest.front() == '.') {
      for (std::size_t k = 1; k < rest.size() && rest[k] == '0'; ++k) ++zeros;
    }
    leading_exponent = -(zeros + 1);
  }
  const std::size_t e = rest.find_first_of("eE");
  std::int64_t exponent = 0;
  if (e != std::string_view::npos) {
    std::string_view digits = rest.substr(e + 1);
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
      negative = digits.front() == '-';
      digits.remove_prefix(1);
    }
    for (char c : digits) exponent = std::min(kCap, exponent * 10 + (c - '0'));
    if (negative) exponent = -exponent;
  }
  return leading_exponent + exponent >= 0;
}

// For `digits`, the exponent digits of a JSON number after any sign, read one at a time into a
// signed 32-bit magnitude: how many were read when it stopped fitting (counting the digit that
// overflowed it), or 0 if it fits.
std::size_t exponent_digits_until_overflow(std::string_view digits) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  std::int64_t magnitude = 0;
  for (std::size_t k = 0; k < digits.size(); ++k) {
    magnitude = magnitude * 10 + (digits[k] - '0');
    if (magnitude > kMax) return k + 1;
  }
  return 0;
}

// For `written`, a number without fraction or exponent: true iff it is an integer that Number can
// hold as one, which is then stored in `out`.
bool to_integer(std::string_view written, Number& out) {
  const bool negative = written.front() == '-';
  if (negative) written.remove_prefix(1);
  std::uint64_t magnitude = 0;
  const auto res = std::from_chars(written.data(), written.data() + written.size(), magnitude);
  if (res.ec != std::errc{}) return false;  // more than 64 bits
  if (!negative) {
    out = Number{Number::Kind::unsigned_integer, magnitude, 0, 0};
    return true;
  }
  constexpr std::uint64_t kMinMagnitude = std::uint64_t{1} << 63;  // |INT64_MIN|
  if (magnitude == 0 || magnitude > kMinMagnitude) return false;   // -0 keeps its sign as a double
  const std::int64_t value = magnitude == kMinMagnitude ? std::numeric_limits<std::int64_t>::min()
                                                        : -static_cast<std::int64_t>(magnitude);
  out = Number{Number::Kind::signed_integer, 0, value, 0};
  return true;
}

std::string describe_number(const Number& n) {
  switch (n.kind) {
    case Number::Kind::unsigned_integer:
      return "integer `" + std::to_string(n.u) + "`";
    case Number::Kind::signed_integer:
      return "integer `" + std::to_string(n.i) + "`";
    case Number::Kind::floating:
      break;
  }
  return "floating point `" + format_double(n.d) + "`";
}

}  // namespace

Position position_after(std::string_view text, std::size_t end) {
  const std::string_view consumed = text.substr(0, end);
  const std::size_t lines =
      static_cast<std::size_t>(std::count(consumed.begin(), consumed.end(), '\n'));
  const std::size_t last_lf = consumed.rfind('\n');
  const std::size_t column = last_lf == std::string_view::npos ? end : end - last_lf - 1;
  return Position{lines + 1, column};
}

Error error_at(std::string_view text, std::size_t end, std::string_view message) {
  const Position at = position_after(text, end);
  std::string out(message);
  out += " at line ";
  out += std::to_string(at.line);
  out += " column ";
  out += std::to_string(at.column);
  return Error{std::move(out)};
}

std::string format_double(double value) {
  // The shortest round-trip digits come as "[-]d[.ddd]e(+|-)XX"; they are then placed around the
  // decimal point.
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  std::string_view s(buf, static_cast<std::size_t>(res.ptr - buf));
  std::string out;
  if (s.front() == '-') {
    out.push_back('-');
    s.remove_prefix(1);
  }
  const std::size_t e = s.find('e');
  std::string digits(s.substr(0, e));
  digits.erase(std::remove(digits.begin(), digits.end(), '.'), digits.end());
  std::string_view exp_text = s.substr(e + 1);
  const bool exp_negative = exp_text.front() == '-';
  exp_text.remove_prefix(1);
  int exponent = 0;
  std::from_chars(exp_text.data(), exp_text.data() + exp_text.size(), exponent);
  if (exp_negative) exponent = -exponent;

  if (exponent < 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out += digits;
  } else {
    const std::size_t int_len = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= int_len) {
      out += digits;
      out.append(int_len - digits.size(), '0');
      out += ".0";
    } else {
      out += digits.substr(0, int_len);
      out += '.';
      out += digits.substr(int_len);
    }
  }
  return out;
}

std::string quote_for_message(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (b < 0x20 || b == 0x7F) {
          out += "\\u{";
          out += kHex[b >> 4];
          out += kHex[b & 0xF];
          out += '}';
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

void Reader::skip_whitespace() {
  while (pos_ < text_.size()) {
    const char c = text_[pos_];
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') break;
    ++pos_;
  }
}

bool Reader::fail_at(std::size_t end, std::string_view message) {
  error_ = error_at(text_, end, message);
  return false;
}

bool Reader::fail_at_next_byte(std::string_view message) { return fail_at(pos_ + 1, message); }

bool Reader::fail_here(std::string_view message) { return fail_at(pos_, message); }

bool Reader::fail_eof(std::string_view what) {
  return fail_at(text_.size(), "EOF while parsing " + std::string(what));
}

bool Reader::read_hex4(std::uint16_t& unit) {
  unit = 0;
  for (int k = 0; k < 4; ++k) {
    if (at_end()) return fail_eof(kEofString);
    const int v = hex_value(peek());
    if (v < 0) return fail_at_next_byte(kInvalidEscape);
    unit = static_cast<std::uint16_t>(unit << 4 | v);
    ++pos_;
  }
  return true;
}

bool Reader::read_escape(std::string* out) {
  if (at_end()) return fail_eof(kEofString);
  char decoded = 0;
  switch (peek()) {
    case '"':
      decoded = '"';
      break;
    case '\\':
      decoded = '\\';
      break;
    case '/':
      decoded = '/';
      break;
    case 'b':
      decoded = '\b';
      break;
    case 'f':
      decoded = '\f';
      break;
    case 'n':
      decoded = '\n';
      break;
    case 'r':
      decoded = '\r';
      break;
    case 't':
      decoded = '\t';
      break;
    case 'u': {
      ++pos_;
      std::uint16_t unit = 0;
      if (!read_hex4(unit)) return false;
      if (unit >= 0xDC00 && unit <= 0xDFFF) return fail_here(kLoneSurrogate);
      std::uint32_t cp = unit;
      if (unit >= 0xD800 && unit <= 0xDBFF) {
        // A high surrogate is only meaningful directly followed by a low-surrogate escape; together
        // they encode one character.
        for (char expected : {'\\', 'u'}) {
          if (at_end()) return fail_eof(kEofString);
          if (peek() != expected) return fail_at_next_byte(kEndOfHexEscape);
          ++pos_;
        }
        std::uint16_t low = 0;
        if (!read_hex4(low)) return false;
        if (low < 0xDC00 || low > 0xDFFF) return fail_here(kLoneSurrogate);
        cp = 0x10000 + ((static_cast<std::uint32_t>(unit) - 0xD800) << 10) + (low - 0xDC00);
      }
      if (out != nullptr) append_utf8(*out, cp);
      return true;
    }
    default:
      return fail_at_next_byte(kInvalidEscape);
  }
  ++pos_;
  if (out != nullptr) out->push_back(decoded);
  return true;
}

bool Reader::read_string(std::string* out, StringMode mode) {
  ++pos_;  // opening quote
  for (;;) {
    std::size_t run = pos_;
    while (run < text_.size()) {
      const auto b = static_cast<unsigned char>(text_[run]);
      if (b == '"' || b == '\\' || b < 0x20) break;
      ++run;
    }
    if (out != nullptr) out->append(text_.data() + pos_, run - pos_);
    pos_ = run;
    if (at_end()) return fail_eof(kEofString);
    const char c = peek();
    if (c == '"') {
      ++pos_;
      return true;
    }
    if (c == '\\') {
      ++pos_;
      if (!read_escape(out)) return false;
      continue;
    }
    if (mode == StringMode::text) return fail_at_next_byte(kControlCharacter);
    if (out != nullptr) out->push_back(c);
    ++pos_;
  }
}

bool Reader::scan_digits() {
  if (at_end()) return fail_eof(kEofValue);
  if (!is_digit(peek())) return fail_at_next_byte(kInvalidNumber);
  while (!at_end() && is_digit(peek())) ++pos_;
  return true;
}

bool Reader::scan_number(bool& floating) {
  if (peek() == '-') ++pos_;
  if (at_end()) return fail_eof(kEofValue);
  if (peek() == '0') {
    ++pos_;
    if (!at_end() && is_digit(peek())) return fail_at_next_byte(kInvalidNumber);
  } else if (!scan_digits()) {
    return false;
  }
  floating = false;
  if (!at_end() && peek() == '.') {
    ++pos_;
    floating = true;
    if (!scan_digits()) return false;
  }
  if (!at_end() && (peek() == 'e' || peek() == 'E')) {
    ++pos_;
    floating = true;
    if (!at_end() && (peek() == '+' || peek() == '-')) ++pos_;
    if (!scan_digits()) return false;
  }
  return true;
}

bool Reader::convert_floating(std::string_view written, Number& out) {
  const double zero = written.front() == '-' ? -0.0 : 0.0;
  const std::size_t e = written.find_first_of("eE");
  if (e != std::string_view::npos) {
    std::string_view exponent = written.substr(e + 1);
    const bool exponent_negative = exponent.front() == '-';
    if (exponent_negative || exponent.front() == '+') exponent.remove_prefix(1);
    const std::size_t read = exponent_digits_until_overflow(exponent);
    if (read != 0) {
      // Such an exponent leaves only infinity or zero; infinity is refused where the exponent
      // overflowed, so digits after that are never read.
      const bool zero_significand =
          written.substr(0, e).find_first_of("123456789") == std::string_view::npos;
      if (!zero_significand && !exponent_negative) {
        return fail_at(pos_ - exponent.size() + read, kNumberOutOfRange);
      }
      out = Number{Number::Kind::floating, 0, 0, zero};
      return true;
    }
  }
  double value = 0;
  const auto res = std::from_chars(written.data(), written.data() + written.size(), value);
  if (res.ec == std::errc::result_out_of_range) {
    if (magnitude_overflows(written)) return fail_here(kNumberOutOfRange);
    value = zero;
  }
  out = Number{Number::Kind::floating, 0, 0, value};
  return true;
}

bool Reader::read_number(Number& out) {
  const std::size_t start = pos_;
  bool floating = false;
  if (!scan_number(floating)) return false;
  const std::string_view written = text_.substr(start, pos_ - start);
  if (!floating && to_integer(written, out)) return true;
  return convert_floating(written, out);
}

bool Reader::read_literal(std::string_view word) {
  ++pos_;  // the first letter, already matched by the caller
  for (std::size_t k = 1; k < word.size(); ++k) {
    if (at_end()) return fail_eof(kEofValue);
    if (peek() != word[k]) return fail_at_next_byte(kExpectedIdent);
    ++pos_;
  }
  return true;
}

bool Reader::read_skipped_key() {
  skip_whitespace();
  // The end of text can only come after a comma here (an object that ends right after its brace is
  // caught on entry), and the object is still open.
  if (at_end()) return fail_eof(kEofObject);
  if (peek() != '"') return fail_at_next_byte(kKeyMustBeString);
  if (!read_string(nullptr, StringMode::text)) return false;
  skip_whitespace();
  if (at_end()) return fail_eof(kEofObject);
  if (peek() != ':') return fail_at_next_byte(kExpectedColon);
  ++pos_;
  return true;
}

bool Reader::skip_scalar() {
  const char c = peek();
  switch (c) {
    case '"':
      return read_string(nullptr, StringMode::text);
    case 'n':
      return read_literal("null");
    case 't':
      return read_literal("true");
    case 'f':
      return read_literal("false");
    default:
      if (c == '-' || is_digit(c)) {
        bool floating = false;
        return scan_number(floating);
      }
      return fail_at_next_byte(kExpectedValue);
  }
}

bool Reader::enter_skipped_container(std::string& open, bool& value_due) {
  const char close = peek() == '[' ? ']' : '}';
  ++pos_;
  skip_whitespace();
  if (at_end()) return fail_eof(close == ']' ? kEofList : kEofObject);
  if (peek() == close) {
    ++pos_;
    value_due = false;
    return true;
  }
  open.push_back(close);
  value_due = true;
  return close == ']' || read_skipped_key();
}

bool Reader::leave_skipped_containers(std::string& open) {
  while (!open.empty()) {
    skip_whitespace();
    const char close = open.back();
    if (at_end()) return fail_eof(close == ']' ? kEofList : kEofObject);
    if (peek() == close) {
      ++pos_;
      open.pop_back();
    } else if (peek() == ',') {
      ++pos_;
      return close == ']' || read_skipped_key();
    } else {
      return fail_at_next_byte(close == ']' ? kExpectedCommaOrBracket : kExpectedCommaOrBrace);
    }
  }
  return true;
}

bool Reader::skip_value() {
  // The closing bracket of every open container, innermost last: the only state that grows with
  // nesting depth.
  std::string open;
  for (;;) {
    // A value is due here.
    skip_whitespace();
    if (at_end()) return fail_eof(kEofValue);
    bool value_due = false;
    if (peek() == '[' || peek() == '{') {
      if (!enter_skipped_container(open, value_due)) return false;
      if (value_due) continue;
    } else if (!skip_scalar()) {
      return false;
    }
    if (!leave_skipped_containers(open)) return false;
    if (open.empty()) return true;
  }
}

bool Reader::fail_invalid_type(std::string_view expected) {
  skip_whitespace();
  if (at_end()) return fail_eof(kEofValue);
  std::string found;
  const char c = peek();
  switch (c) {
    case 'n':
      if (!read_literal("null")) return false;
      found = "null";
      break;
    case 't':
      if (!read_literal("true")) return false;
      found = "boolean `true`";
      break;
    case 'f':
      if (!read_literal("false")) return false;
      found = "boolean `false`";
      break;
    case '"': {
      std::string text;
      if (!read_string(&text, StringMode::text)) return false;
      found = "string " + quote_for_message(text);
      break;
    }
    case '[':
      found = "sequence";
      break;
    case '{':
      found = "map";
      break;
    default:
      if (c == '-' || is_digit(c)) {
        Number n;
        if (!read_number(n)) return false;
        found = describe_number(n);
        break;
      }
      return fail_at_next_byte(kExpectedValue);
  }
  return fail_here("invalid type: " + found + ", expected " + std::string(expected));
}

bool Reader::fail_invalid_type(const Number& n, std::string_view expected) {
  return fail_here("invalid type: " + describe_number(n) + ", expected " + std::string(expected));
}

bool Reader::fail_invalid_integer(const Number& n, std::string_view expected) {
  return fail_here("invalid value: " + describe_number(n) + ", expected " + std::string(expected));
}

}  // namespace launcher::json
