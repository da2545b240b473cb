#include "java_app.h"

#include <array>
#include <cstddef>

#include "json_reader.h"

namespace launcher {

namespace {

using json::Reader;

constexpr std::string_view kExpectedByteArray = "byte array";
constexpr std::string_view kExpectedSequence = "a sequence";
constexpr std::string_view kExpectedU8 = "u8";
constexpr std::string_view kExpectedRecord = "struct JavaApp";

// Moves through one of the record's arrays (the array form aside) after its opening bracket
// (`first`) or after an element. Returns true with `more` set iff an element is due at the cursor;
// when the array ends here, consumes its closing bracket and clears `more`. A comma directly before
// the closing bracket is a "trailing comma".
bool next_in_array(Reader& r, bool first, bool& more) {
  r.skip_whitespace();
  if (r.at_end()) return r.fail_eof(json::kEofList);
  if (r.peek() == ']') {
    r.advance();
    more = false;
    return true;
  }
  if (!first) {
    if (r.peek() != ',') return r.fail_at_next_byte(json::kExpectedCommaOrBracket);
    r.advance();
    r.skip_whitespace();
    if (r.at_end()) return r.fail_eof(json::kEofValue);
    if (r.peek() == ']') return r.fail_at_next_byte(json::kTrailingComma);
  }
  more = true;
  return true;
}

// Fails iff `value` holds a NUL byte; positioned at the end of the value just read, so the caller
// must not have consumed anything after it.
bool check_no_nul(Reader& r, const std::string& value) {
  const std::size_t nul = value.find('\0');
  if (nul == std::string::npos) return true;
  return r.fail_here("nul byte found in provided data at position: " + std::to_string(nul));
}

// Reads a byte array's elements. REQUIRES: r.peek() == '['.
bool read_byte_array(Reader& r, std::string& out) {
  r.advance();
  bool more = false;
  for (bool first = true;; first = false) {
    if (!next_in_array(r, first, more)) return false;
    if (!more) return true;
    const char c = r.peek();
    if (c != '-' && (c < '0' || c > '9')) return r.fail_invalid_type(kExpectedU8);
    json::Number n;
    if (!r.read_number(n)) return false;
    switch (n.kind) {
      case json::Number::Kind::unsigned_integer:
        if (n.u > 255) return r.fail_invalid_integer(n, kExpectedU8);
        out.push_back(static_cast<char>(n.u));
        break;
      case json::Number::Kind::signed_integer:
        return r.fail_invalid_integer(n, kExpectedU8);
      case json::Number::Kind::floating:
        return r.fail_invalid_type(n, kExpectedU8);
    }
  }
}

// Reads a byte-string value (string or byte array) into `out`, which must be empty.
bool read_byte_string(Reader& r, std::string& out) {
  r.skip_whitespace();
  if (r.at_end()) return r.fail_eof(json::kEofValue);
  if (r.peek() == '"') {
    if (!r.read_string(&out, json::StringMode::byte_string)) return false;
  } else if (r.peek() == '[') {
    if (!read_byte_array(r, out)) return false;
  } else {
    return r.fail_invalid_type(kExpectedByteArray);
  }
  return check_no_nul(r, out);
}

bool read_options(Reader& r, std::vector<std::string>& out, DecodeObserver* observer) {
  r.skip_whitespace();
  if (r.at_end()) return r.fail_eof(json::kEofValue);
  if (r.peek() != '[') return r.fail_invalid_type(kExpectedSequence);
  r.advance();
  bool more = false;
  for (bool first = true;; first = false) {
    if (!next_in_array(r, first, more)) return false;
    if (!more) return true;
    if (observer != nullptr) observer->option(out.size(), r.offset());
    out.emplace_back();
    if (!read_byte_string(r, out.back())) return false;
  }
}

bool read_field(Reader& r, std::size_t field, JavaApp& app, DecodeObserver* observer) {
  r.skip_whitespace();
  if (observer != nullptr && !r.at_end()) observer->value(field, r.offset());
  switch (field) {
    case kJvmPath:
      return read_byte_string(r, app.jvm_path);
    case kMainClass:
      return read_byte_string(r, app.main_class);
    case kEncryptClass:
      return read_byte_string(r, app.encrypt_class);
    default:  // options
      return read_options(r, app.options, observer);
  }
}

std::size_t field_index(std::string_view key) {
  for (std::size_t k = 0; k < kFieldNames.size(); ++k) {
    if (kFieldNames[k] == key) return k;
  }
  return kIgnoredKey;
}

// The object form. REQUIRES: r.peek() == '{'.
bool read_record_object(Reader& r, JavaApp& app, DecodeObserver* observer) {
  r.advance();
  std::array<bool, kFieldNames.size()> seen{};
  for (bool first = true;; first = false) {
    r.skip_whitespace();
    if (r.at_end()) return r.fail_eof(json::kEofObject);
    if (r.peek() == '}') {
      r.advance();
      if (observer != nullptr) observer->closed();
      break;
    }
    if (!first) {
      if (r.peek() != ',') return r.fail_at_next_byte(json::kExpectedCommaOrBrace);
      r.advance();
      r.skip_whitespace();
      if (r.at_end()) return r.fail_eof(json::kEofValue);
      if (r.peek() == '}') return r.fail_at_next_byte(json::kTrailingComma);
    }
    if (r.peek() != '"') return r.fail_at_next_byte(json::kKeyMustBeString);
    const std::size_t key_offset = r.offset();
    std::string key;
    if (!r.read_string(&key, json::StringMode::text)) return false;
    r.skip_whitespace();
    const std::size_t field = field_index(key);
    if (observer != nullptr) observer->key(key, field, key_offset);
    if (field != kIgnoredKey && seen[field]) {
      return r.fail_here("duplicate field `" + std::string(kFieldNames[field]) + "`");
    }
    if (r.at_end()) return r.fail_eof(json::kEofObject);
    if (r.peek() != ':') return r.fail_at_next_byte(json::kExpectedColon);
    r.advance();
    if (field == kIgnoredKey) {
      if (!r.skip_value()) return false;
      continue;
    }
    if (!read_field(r, field, app, observer)) return false;
    seen[field] = true;
  }
  for (std::size_t k = 0; k < kFieldNames.size(); ++k) {
    if (!seen[k]) return r.fail_here("missing field `" + std::string(kFieldNames[k]) + "`");
  }
  return true;
}

// The array form. REQUIRES: r.peek() == '['.
bool read_record_array(Reader& r, JavaApp& app, DecodeObserver* observer) {
  r.advance();
  std::size_t count = 0;
  for (;;) {
    r.skip_whitespace();
    if (r.at_end()) return r.fail_eof(json::kEofList);
    if (r.peek() == ']') {
      r.advance();
      if (observer != nullptr) observer->closed();
      if (count == kFieldNames.size()) return true;
      return r.fail_here("invalid length " + std::to_string(count) +
                         ", expected struct JavaApp with " + std::to_string(kFieldNames.size()) +
                         " elements");
    }
    if (count > 0) {
      // Once the record is complete, anything but its closing bracket is surplus, whether or not a
      // comma introduces it.
      const bool complete = count == kFieldNames.size();
      if (r.peek() != ',') {
        return r.fail_at_next_byte(complete ? json::kTrailingCharacters
                                            : json::kExpectedCommaOrBracket);
      }
      r.advance();
      r.skip_whitespace();
      if (r.at_end()) return r.fail_eof(json::kEofValue);
      if (r.peek() == ']') return r.fail_at_next_byte(json::kTrailingComma);
      if (complete) return r.fail_at_next_byte(json::kTrailingCharacters);
    }
    if (!read_field(r, count, app, observer)) return false;
    ++count;
  }
}

}  // namespace

Result<JavaApp> decode(std::string_view text, DecodeObserver* observer) {
  Reader r(text);
  JavaApp app;
  r.skip_whitespace();
  bool ok = false;
  if (r.at_end()) {
    ok = r.fail_eof(json::kEofValue);
  } else if (r.peek() == '{') {
    ok = read_record_object(r, app, observer);
  } else if (r.peek() == '[') {
    ok = read_record_array(r, app, observer);
  } else {
    ok = r.fail_invalid_type(kExpectedRecord);
  }
  if (ok) {
    r.skip_whitespace();
    if (!r.at_end()) ok = r.fail_at_next_byte(json::kTrailingCharacters);
  }
  if (!ok) return fail(r.take_error());
  return app;
}

}  // namespace launcher
