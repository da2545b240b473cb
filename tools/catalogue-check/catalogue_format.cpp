#include "catalogue_format.h"

#include <cstdint>

#include "hex.h"

namespace launcher {

std::string escape_for_display(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    const auto b = static_cast<uint8_t>(c);
    if (b >= 0x20 && b <= 0x7E && b != '\\') {
      out.push_back(c);
    } else {
      out += "\\x" + tools_common::HexDigits(&b, 1);
    }
  }
  return out;
}

std::string format_catalogue_entry(const JavaApp& app) {
  std::string out;
  out += "jvm_path: " + escape_for_display(app.jvm_path) + "\n";
  out += "main_class: " + escape_for_display(app.main_class) + "\n";
  out += "encrypt_class: " + escape_for_display(app.encrypt_class) + "\n";
  out += "options: " + std::to_string(app.options.size()) + "\n";
  for (const std::string& option : app.options)
    out += "option: " + escape_for_display(option) + "\n";
  return out;
}

}  // namespace launcher
