// The decoder on hostile input: deep nesting and random mutations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <regex>
#include <string>

#include "decode_test_util.h"
#include "java_app.h"
#include "result.h"

namespace launcher {
namespace {

using namespace decode_test;
using namespace std::string_literals;

// ----------------------------------------------------------------- robustness

TEST(DecodeRobustness, DeepNestingUnderUnknownKeyIsIterative) {
  constexpr std::size_t kDepth = 100'000;
  const std::string rest = R"(,"jvm_path":"j","main_class":"m","encrypt_class":"e","options":[]})";
  const std::string arrays = "{\"x\":" + std::string(kDepth, '[') + std::string(kDepth, ']') + rest;
  EXPECT_EQ(decoded(arrays), (JavaApp{"j", "m", "e", {}}));

  std::string mixed = "{\"x\":";
  for (std::size_t k = 0; k < kDepth / 2; ++k) mixed += "[{\"a\":";
  mixed += "0";
  for (std::size_t k = 0; k < kDepth / 2; ++k) mixed += "}]";
  EXPECT_EQ(decoded(mixed + rest), (JavaApp{"j", "m", "e", {}}));

  EXPECT_EQ(error_of("{\"x\":" + std::string(kDepth, '[')),
            at("EOF while parsing a list", 1, 5 + kDepth));
  EXPECT_EQ(error_of("{\"x\":" + std::string(kDepth, '[') + "}"),
            at("expected value", 1, 6 + kDepth));
  // Inside a known field nesting stops at the first level that is not allowed.
  EXPECT_EQ(error_of(opts(std::string(kDepth, '['))),
            at("invalid type: sequence, expected u8", 2, 12));
}

// Checks what decode reports against its contract: calls in text order, each at the first byte
// after any whitespace (a key at its quote), nothing after the record is closed.
class ContractObserver final : public DecodeObserver {
 public:
  explicit ContractObserver(std::string_view text) : text_(text) {}
  void key(std::string_view, std::size_t, std::size_t offset) override {
    next(offset);
    EXPECT_EQ(text_[offset], '"');
  }
  void value(std::size_t, std::size_t offset) override { next(offset); }
  void option(std::size_t, std::size_t offset) override { next(offset); }
  void closed() override { next(text_.size()); }

 private:
  void next(std::size_t offset) {
    ASSERT_TRUE(offset >= next_ && offset <= text_.size()) << offset << " after " << next_;
    if (offset < text_.size()) {
      EXPECT_EQ(std::string_view(" \t\n\r").find(text_[offset]), std::string_view::npos);
    }
    next_ = offset + 1;
  }
  std::string_view text_;
  std::size_t next_ = 0;
};

// Mutations of valid texts: never crash (run under sanitizers), always either
// a record free of NUL bytes or a positioned message within the text; an observer changes nothing.
TEST(DecodeRobustness, MutatedInputsYieldRecordsOrPositionedMessages) {
  const std::string seeds[] = {
      opts(R"(["-Xmx1g", [97, 98], "\ud83d\ude00"])"),
      R"(["j", [1, 2, 255], "\"e\"", [], "x"])",
      R"({"x":[{"y":[1e5,-2,true,null,"\u00e9"]}],"jvm_path":"j\tk","main_class":"m","encrypt_class":"e","options":[]})",
  };
  const std::string alphabet = "{}[],:\"\\u0123456789-+.eE ntfrl\n\t\x00\x1f\x7f\xff"s;
  const std::regex positioned(".* at line (\\d+) column (\\d+)");
  std::uint64_t state = 0x9E3779B97F4A7C15ull;
  auto next = [&state]() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  int decoded_count = 0;
  int failed_count = 0;
  for (int iteration = 0; iteration < 30000; ++iteration) {
    std::string text = seeds[next() % std::size(seeds)];
    const int edits = 1 + static_cast<int>(next() % 4);
    for (int e = 0; e < edits && !text.empty(); ++e) {
      const std::size_t where = next() % text.size();
      const char c = alphabet[next() % alphabet.size()];
      switch (next() % 4) {
        case 0:
          text[where] = c;
          break;
        case 1:
          text.insert(text.begin() + static_cast<std::ptrdiff_t>(where), c);
          break;
        case 2:
          text.erase(where, 1);
          break;
        default:
          text.resize(where);
          break;
      }
    }
    ContractObserver observer(text);
    const Result<JavaApp> r = decode(text, &observer);
    const Result<JavaApp> unobserved = decode(text);
    ASSERT_EQ(r.has_value(), unobserved.has_value()) << text;
    if (r) {
      ASSERT_EQ(*r, *unobserved) << text;
      ++decoded_count;
      for (const std::string* v : {&r->jvm_path, &r->main_class, &r->encrypt_class}) {
        ASSERT_EQ(v->find('\0'), std::string::npos) << text;
      }
      for (const std::string& option : r->options)
        ASSERT_EQ(option.find('\0'), std::string::npos) << text;
      continue;
    }
    ++failed_count;
    ASSERT_EQ(r.error(), unobserved.error()) << text;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(r.error().message, m, positioned)) << r.error().message;
    const std::size_t line = std::stoul(m[1]);
    const std::size_t column = std::stoul(m[2]);
    ASSERT_LE(line, 1u + static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')));
    ASSERT_LE(column, text.size());
  }
  // Both outcomes must actually have been exercised.
  EXPECT_GT(decoded_count, 100);
  EXPECT_GT(failed_count, 10000);
}

}  // namespace
}  // namespace launcher
