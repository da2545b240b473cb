// An independent, deliberately plain evaluation of the white-box network, written from the
// network's definition, against which the launcher's cipher is compared on arbitrary table sets.
#ifndef LAUNCHER_TESTS_SUPPORT_NETWORK_REFERENCE_H_
#define LAUNCHER_TESTS_SUPPORT_NETWORK_REFERENCE_H_

#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "table_set.h"

namespace testing_support {

using Block = std::array<uint8_t, 16>;

// One block through the network defined by `tables`, one table read at a time.
Block EvaluateNetwork(const whitebox::TableSet& tables, Block state);

// A table set with uniformly random entries (Xor entries in 0..15): it computes no cipher, but
// every evaluation of the network must agree on it.
std::unique_ptr<whitebox::TableSet> RandomTableSet(std::mt19937_64& rng);

// Loads `tables` into the launcher's cipher.
void LoadIntoCipher(const whitebox::TableSet& tables);

// Keystream-based reference modes over EvaluateNetwork (same contracts as the launcher's).
std::vector<uint8_t> ReferenceCfbEncrypt(const whitebox::TableSet& tables, const Block& iv,
                                         const std::vector<uint8_t>& input);
std::vector<uint8_t> ReferenceCfbDecrypt(const whitebox::TableSet& tables, const Block& iv,
                                         const std::vector<uint8_t>& input);
std::vector<uint8_t> ReferenceOfb(const whitebox::TableSet& tables, const Block& iv,
                                  const std::vector<uint8_t>& input);
std::vector<uint8_t> ReferenceCtr(const whitebox::TableSet& tables, const Block& iv,
                                  const std::vector<uint8_t>& input);

// Parses hex digits (whitespace ignored) into bytes; for test vectors. Throws
// std::invalid_argument on an odd number of digits or a character that is none, so that a mistyped
// vector fails its test instead of testing less.
std::vector<uint8_t> Hex(const char* text);

// The launcher's stream modes, each beside the reference it must match.
using ModeFunction = void (*)(const uint8_t* iv, const uint8_t* input, uint32_t length,
                              uint8_t* output);
using ReferenceFunction = std::vector<uint8_t> (*)(const whitebox::TableSet&, const Block&,
                                                   const std::vector<uint8_t>&);
struct Mode {
  const char* name;
  ModeFunction function;
  ReferenceFunction reference;
};
extern const Mode kAllModes[6];

// `mode` from `iv` (16 bytes) over `input`, into a fresh buffer.
std::vector<uint8_t> RunMode(ModeFunction mode, const Block& iv, const std::vector<uint8_t>& input);
std::vector<uint8_t> RunMode(ModeFunction mode, const std::vector<uint8_t>& iv,
                             const std::vector<uint8_t>& input);

std::vector<uint8_t> RandomBytes(std::mt19937_64& rng, size_t n);
Block RandomBlock(std::mt19937_64& rng);

}  // namespace testing_support

#endif  // LAUNCHER_TESTS_SUPPORT_NETWORK_REFERENCE_H_
