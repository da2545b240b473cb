#include "network_reference.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <string>
#include <utility>

#include "aes_whitebox.h"
#include "hex.h"

namespace testing_support {

namespace {

constexpr int kShift[16] = {0, 5, 10, 15, 4, 9, 14, 3, 8, 13, 2, 7, 12, 1, 6, 11};

Block Shifted(const Block& state) {
  Block out{};
  for (int i = 0; i < 16; ++i) out[i] = state[kShift[i]];
  return out;
}

int Nibble(uint32_t word, int index) { return (word >> (28 - 4 * index)) & 15; }

// Reduces four words to a column through the Xor tables of round r, column j.
void Reduce(const whitebox::TableSet& t, int r, int j, const uint32_t w[4], uint8_t* column) {
  auto x = [&](int table, int p, int q) { return t.xor_tables[r][24 * j + table][p][q]; };
  for (int k = 0; k < 4; ++k) {
    const int hi = 2 * k;
    const int lo = 2 * k + 1;
    const int n0 = x(6 * k, Nibble(w[0], hi), Nibble(w[1], hi));
    const int n1 = x(6 * k + 1, Nibble(w[2], hi), Nibble(w[3], hi));
    const int n2 = x(6 * k + 2, Nibble(w[0], lo), Nibble(w[1], lo));
    const int n3 = x(6 * k + 3, Nibble(w[2], lo), Nibble(w[3], lo));
    column[k] = static_cast<uint8_t>(x(6 * k + 4, n0, n1) * 16 + x(6 * k + 5, n2, n3));
  }
}

}  // namespace

Block EvaluateNetwork(const whitebox::TableSet& t, Block state) {
  for (int r = 0; r < 13; ++r) {
    state = Shifted(state);
    for (int j = 0; j < 4; ++j) {
      uint32_t w[4];
      for (int i = 0; i < 4; ++i) w[i] = t.tyboxes[r][4 * j + i][state[4 * j + i]];
      Reduce(t, r, j, w, &state[4 * j]);
      for (int i = 0; i < 4; ++i) w[i] = t.mbl[r][4 * j + i][state[4 * j + i]];
      Reduce(t, r, j, w, &state[4 * j]);
    }
  }
  state = Shifted(state);
  for (int i = 0; i < 16; ++i) state[i] = t.tboxes_last[i][state[i]];
  return state;
}

std::unique_ptr<whitebox::TableSet> RandomTableSet(std::mt19937_64& rng) {
  auto t = std::make_unique<whitebox::TableSet>();
  uint8_t* xor_bytes = &t->xor_tables[0][0][0][0];
  for (size_t i = 0; i < sizeof t->xor_tables; ++i) xor_bytes[i] = rng() & 15;
  uint32_t* ty = &t->tyboxes[0][0][0];
  uint32_t* mbl = &t->mbl[0][0][0];
  for (size_t i = 0; i < sizeof t->tyboxes / 4; ++i) {
    ty[i] = static_cast<uint32_t>(rng());
    mbl[i] = static_cast<uint32_t>(rng());
  }
  uint8_t* last = &t->tboxes_last[0][0];
  for (size_t i = 0; i < sizeof t->tboxes_last; ++i) last[i] = rng() & 255;
  return t;
}

void LoadIntoCipher(const whitebox::TableSet& t) {
  initializeCipher(t.xor_tables, t.tyboxes, t.tboxes_last, t.mbl);
}

std::vector<uint8_t> ReferenceCfbEncrypt(const whitebox::TableSet& t, const Block& iv,
                                         const std::vector<uint8_t>& input) {
  std::vector<uint8_t> out(input.size());
  Block feedback = iv;
  for (size_t start = 0; start < input.size(); start += 16) {
    const Block keystream = EvaluateNetwork(t, feedback);
    for (size_t k = 0; k < 16 && start + k < input.size(); ++k) {
      out[start + k] = input[start + k] ^ keystream[k];
      feedback[k] = out[start + k];
    }
  }
  return out;
}

std::vector<uint8_t> ReferenceCfbDecrypt(const whitebox::TableSet& t, const Block& iv,
                                         const std::vector<uint8_t>& input) {
  std::vector<uint8_t> out(input.size());
  Block feedback = iv;
  for (size_t start = 0; start < input.size(); start += 16) {
    const Block keystream = EvaluateNetwork(t, feedback);
    for (size_t k = 0; k < 16 && start + k < input.size(); ++k) {
      out[start + k] = input[start + k] ^ keystream[k];
      feedback[k] = input[start + k];
    }
  }
  return out;
}

std::vector<uint8_t> ReferenceOfb(const whitebox::TableSet& t, const Block& iv,
                                  const std::vector<uint8_t>& input) {
  std::vector<uint8_t> out(input.size());
  Block keystream = iv;
  for (size_t start = 0; start < input.size(); start += 16) {
    keystream = EvaluateNetwork(t, keystream);
    for (size_t k = 0; k < 16 && start + k < input.size(); ++k) {
      out[start + k] = input[start + k] ^ keystream[k];
    }
  }
  return out;
}

std::vector<uint8_t> ReferenceCtr(const whitebox::TableSet& t, const Block& iv,
                                  const std::vector<uint8_t>& input) {
  std::vector<uint8_t> out(input.size());
  Block counter = iv;
  for (size_t start = 0; start < input.size(); start += 16) {
    const Block keystream = EvaluateNetwork(t, counter);
    for (size_t k = 0; k < 16 && start + k < input.size(); ++k) {
      out[start + k] = input[start + k] ^ keystream[k];
    }
    for (int i = 15; i >= 0 && ++counter[i] == 0; --i) {
    }
  }
  return out;
}

std::vector<uint8_t> Hex(const char* text) {
  std::string digits;
  for (const char* p = text; *p; ++p) {
    if (!std::isspace(static_cast<unsigned char>(*p))) digits += *p;
  }
  auto bytes = tools_common::ParseHexBytes(digits);
  if (!bytes) throw std::invalid_argument(std::string("not a test vector in hex: ") + text);
  return std::move(*bytes);
}

const Mode kAllModes[6] = {
    {"encrypt_cfb", aes_whitebox_encrypt_cfb, ReferenceCfbEncrypt},
    {"decrypt_cfb", aes_whitebox_decrypt_cfb, ReferenceCfbDecrypt},
    {"encrypt_ofb", aes_whitebox_encrypt_ofb, ReferenceOfb},
    {"decrypt_ofb", aes_whitebox_decrypt_ofb, ReferenceOfb},
    {"encrypt_ctr", aes_whitebox_encrypt_ctr, ReferenceCtr},
    {"decrypt_ctr", aes_whitebox_decrypt_ctr, ReferenceCtr},
};

std::vector<uint8_t> RunMode(ModeFunction mode, const Block& iv,
                             const std::vector<uint8_t>& input) {
  std::vector<uint8_t> output(input.size());
  mode(iv.data(), input.data(), static_cast<uint32_t>(input.size()), output.data());
  return output;
}

std::vector<uint8_t> RunMode(ModeFunction mode, const std::vector<uint8_t>& iv,
                             const std::vector<uint8_t>& input) {
  Block block{};
  std::copy_n(iv.begin(), std::min<size_t>(iv.size(), 16), block.begin());
  return RunMode(mode, block, input);
}

std::vector<uint8_t> RandomBytes(std::mt19937_64& rng, size_t n) {
  std::vector<uint8_t> bytes(n);
  for (auto& b : bytes) b = static_cast<uint8_t>(rng());
  return bytes;
}

Block RandomBlock(std::mt19937_64& rng) {
  Block block;
  for (auto& b : block) b = static_cast<uint8_t>(rng());
  return block;
}

}  // namespace testing_support
