// FIPS 180-4 SHA-256, for turning a seed text into a key (random_source.h).
#ifndef LAUNCHER_TOOLS_WHITEBOX_SHA256_H_
#define LAUNCHER_TOOLS_WHITEBOX_SHA256_H_

#include <array>
#include <cstddef>
#include <cstdint>

namespace whitebox {

using Sha256Digest = std::array<uint8_t, 32>;

// The digest of the `length` bytes at `data` (which may be null iff length is 0).
Sha256Digest Sha256(const uint8_t* data, size_t length);

}  // namespace whitebox

#endif  // LAUNCHER_TOOLS_WHITEBOX_SHA256_H_
