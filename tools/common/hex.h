// Bytes as hexadecimal digits, two per byte, and back: the notation of keys, known answers and the
// test vectors.
#ifndef LAUNCHER_TOOLS_COMMON_HEX_H_
#define LAUNCHER_TOOLS_COMMON_HEX_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tools_common {

// The bytes that pairs of hexadecimal digits (either case) stand for; nullopt iff `hex` has an odd
// length or a character that is no hexadecimal digit. An empty text is no bytes.
std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view hex);

// `bytes[0..length)` as lower-case hexadecimal digits, two per byte.
std::string HexDigits(const uint8_t* bytes, size_t length);

}  // namespace tools_common

#endif  // LAUNCHER_TOOLS_COMMON_HEX_H_
