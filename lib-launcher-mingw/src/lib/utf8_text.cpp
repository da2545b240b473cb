#include "utf8_text.h"

namespace launcher {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

struct LeadByte {
  int continuation_bytes;    // -1: cannot start a sequence
  unsigned char first_low;   // allowed range of the first continuation byte, which excludes
  unsigned char first_high;  // overlong forms, surrogates and code points above U+10FFFF
};

LeadByte Classify(unsigned char b) {
  if (b >= 0xC2 && b <= 0xDF) return {1, 0x80, 0xBF};
  if (b == 0xE0) return {2, 0xA0, 0xBF};
  if (b == 0xED) return {2, 0x80, 0x9F};
  if (b >= 0xE1 && b <= 0xEF) return {2, 0x80, 0xBF};
  if (b == 0xF0) return {3, 0x90, 0xBF};
  if (b == 0xF4) return {3, 0x80, 0x8F};
  if (b >= 0xF1 && b <= 0xF3) return {3, 0x80, 0xBF};
  return {-1, 0, 0};
}

}  // namespace

std::string utf8_lossy(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      text += static_cast<char>(lead);
      ++i;
      continue;
    }
    const LeadByte kind = Classify(lead);
    size_t next = i + 1;
    bool complete = kind.continuation_bytes > 0;
    unsigned char low = kind.first_low;
    unsigned char high = kind.first_high;
    for (int k = 0; k < kind.continuation_bytes; ++k, ++next, low = 0x80, high = 0xBF) {
      if (next >= bytes.size()) {
        complete = false;
        break;
      }
      const auto b = static_cast<unsigned char>(bytes[next]);
      if (b < low || b > high) {
        complete = false;
        break;
      }
    }
    // An incomplete sequence is replaced up to, not including, the byte that broke it.
    text += complete ? bytes.substr(i, next - i) : kReplacement;
    i = next;
  }
  return text;
}

}  // namespace launcher
