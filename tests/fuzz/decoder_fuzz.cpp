// libFuzzer entry point for launcher::decode. Aborts when any of these fails:
//  - a failure message is one line, without NUL, and ends in
//    " at line L column C" with L and C decimal and within the input;
//  - no decoded value holds a NUL byte;
//  - a decoded record, written back as JSON (object form with escaped
//    strings, and array form with byte arrays), decodes to the same record.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "java_app.h"

namespace {

[[noreturn]] void violated(const char* what, std::string_view detail) {
  std::fprintf(stderr, "decoder_fuzz: %s: %.*s\n", what, static_cast<int>(detail.size()),
               detail.data());
  std::abort();
}

// Strips a run of decimal digits from the end of `s`; false iff there is none.
bool take_number(std::string_view& s, std::size_t& value) {
  std::size_t digits = 0;
  while (digits < s.size() && digits < 19 && s[s.size() - 1 - digits] >= '0' &&
         s[s.size() - 1 - digits] <= '9') {
    ++digits;
  }
  if (digits == 0) return false;
  value = 0;
  for (char c : s.substr(s.size() - digits)) value = value * 10 + static_cast<std::size_t>(c - '0');
  s.remove_suffix(digits);
  return true;
}

bool take_suffix(std::string_view& s, std::string_view suffix) {
  if (!s.ends_with(suffix)) return false;
  s.remove_suffix(suffix.size());
  return true;
}

void check_message(std::string_view text, std::string_view message) {
  if (message.find('\0') != std::string_view::npos ||
      message.find('\n') != std::string_view::npos) {
    violated("message is not a single line", message);
  }
  std::string_view rest = message;
  std::size_t line = 0;
  std::size_t column = 0;
  if (!take_number(rest, column) || !take_suffix(rest, " column ") || !take_number(rest, line) ||
      !take_suffix(rest, " at line ") || rest.empty()) {
    violated("message lacks its position", message);
  }
  std::size_t line_feeds = 0;
  for (char c : text) line_feeds += c == '\n';
  if (line < 1 || line > line_feeds + 1 || column > text.size())
    violated("position outside the input", message);
}

void check_no_nul(std::string_view value) {
  if (value.find('\0') != std::string_view::npos) violated("decoded value holds NUL", value);
}

std::string as_json_string(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (b < 0x20) {
      out += "\\u00";
      out += kHex[b >> 4];
      out += kHex[b & 0xF];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string as_byte_array(std::string_view bytes) {
  std::string out = "[";
  for (char c : bytes) {
    if (out.size() > 1) out += ',';
    out += std::to_string(static_cast<unsigned char>(c));
  }
  return out + "]";
}

template <class Encode>
std::string options_json(const launcher::JavaApp& app, Encode encode) {
  std::string out = "[";
  for (const std::string& option : app.options) {
    if (out.size() > 1) out += ',';
    out += encode(option);
  }
  return out + "]";
}

void check_round_trip(const launcher::JavaApp& app, const std::string& text) {
  const auto again = launcher::decode(text);
  if (!again) violated("re-encoded record fails", again.error().message);
  if (!(*again == app)) violated("re-encoded record differs", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto result = launcher::decode(text);
  if (!result) {
    check_message(text, result.error().message);
    return 0;
  }
  const launcher::JavaApp& app = *result;
  check_no_nul(app.jvm_path);
  check_no_nul(app.main_class);
  check_no_nul(app.encrypt_class);
  for (const std::string& option : app.options) check_no_nul(option);

  check_round_trip(app, "{\"options\":" + options_json(app, as_json_string) +
                            ",\"encrypt_class\":" + as_json_string(app.encrypt_class) +
                            ",\"main_class\":" + as_json_string(app.main_class) +
                            ",\"jvm_path\":" + as_json_string(app.jvm_path) + "}");
  check_round_trip(app, "[" + as_byte_array(app.jvm_path) + "," + as_byte_array(app.main_class) +
                            "," + as_byte_array(app.encrypt_class) + "," +
                            options_json(app, as_byte_array) + "]");
  return 0;
}
