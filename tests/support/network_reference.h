// An independent, deliberately plain evaluation of the white-box network, written from the network's
// definition, against which the launcher's cipher is compared on arbitrary table sets.
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

// Parses hex digits (whitespace ignored) into bytes; for test vectors.
std::vector<uint8_t> Hex(const char* text);

}  // namespace testing_support

#endif  // LAUNCHER_TESTS_SUPPORT_NETWORK_REFERENCE_H_
