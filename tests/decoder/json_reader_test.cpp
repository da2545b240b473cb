// The message helpers of the JSON reader.
#include "json_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace launcher {
namespace {

using namespace std::string_literals;

TEST(FormatDouble, ShortestDigitsWrittenOutInFull) {
  EXPECT_EQ(json::format_double(97.0), "97.0");
  EXPECT_EQ(json::format_double(1e3), "1000.0");
  EXPECT_EQ(json::format_double(123.456), "123.456");
  EXPECT_EQ(json::format_double(0.1), "0.1");
  EXPECT_EQ(json::format_double(-2.5), "-2.5");
  EXPECT_EQ(json::format_double(0.0001), "0.0001");
  EXPECT_EQ(json::format_double(9999999999999998.0), "9999999999999998.0");
  EXPECT_EQ(json::format_double(0.0), "0.0");
  EXPECT_EQ(json::format_double(-0.0), "-0.0");
  // No exponent at any magnitude.
  EXPECT_EQ(json::format_double(1e16), "10000000000000000.0");
  EXPECT_EQ(json::format_double(-1.25e-7), "-0.000000125");
  EXPECT_EQ(json::format_double(1.5e300), "15" + std::string(299, '0') + ".0");
}

TEST(QuoteForMessage, EscapesQuotesBackslashesAndControls) {
  EXPECT_EQ(json::quote_for_message(""), "\"\"");
  EXPECT_EQ(json::quote_for_message("a\"b\\c"), R"("a\"b\\c")");
  EXPECT_EQ(json::quote_for_message("\n\r\t\x01\x1f\x7f"s), R"("\n\r\t\u{01}\u{1f}\u{7f}")");
  EXPECT_EQ(json::quote_for_message("\0"s), R"("\u{00}")");
  EXPECT_EQ(json::quote_for_message("\xc3\xa9\xff ~"), "\"\xc3\xa9\xff ~\"");
}

}  // namespace
}  // namespace launcher
