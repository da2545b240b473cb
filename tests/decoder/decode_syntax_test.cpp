// The decoder's syntax errors: structure, end of text, strings and numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <string_view>

#include "decode_test_util.h"
#include "java_app.h"

namespace launcher {
namespace {

using namespace decode_test;
using namespace std::string_literals;

// ----------------------------------------------------------- syntax: objects

TEST(DecodeSyntax, ObjectStructure) {
  EXPECT_EQ(error_of("{1:2}"), at("key must be a string", 1, 2));
  EXPECT_EQ(error_of("{,}"), at("key must be a string", 1, 2));
  EXPECT_EQ(error_of(R"({"jvm_path" "a"})"), at("expected `:`", 1, 13));
  EXPECT_EQ(error_of(R"({"jvm_path":"a" "b")"), at("expected `,` or `}`", 1, 17));
  EXPECT_EQ(error_of(R"({"jvm_path":"a"])"), at("expected `,` or `}`", 1, 16));
  EXPECT_EQ(error_of(R"({"x":{"a":1 "b":2}})"), at("expected `,` or `}`", 1, 13));
  EXPECT_EQ(error_of(R"({"x":{"a" 1}})"), at("expected `:`", 1, 11));
  EXPECT_EQ(error_of(R"({"x":{"a":1,2}})"), at("key must be a string", 1, 13));
}

TEST(DecodeSyntax, ArrayStructure) {
  EXPECT_EQ(error_of(opts(R"(["a" "b"])")), at("expected `,` or `]`", 2, 16));
  EXPECT_EQ(error_of(jvm("[1 2]")), at("expected `,` or `]`", 1, 16));
  EXPECT_EQ(error_of(R"({"x":[1 2]})"), at("expected `,` or `]`", 1, 9));
  EXPECT_EQ(error_of(R"({"x":[1}})"), at("expected `,` or `]`", 1, 8));
  EXPECT_EQ(error_of(jvm("[,1]")), at("expected value", 1, 14));
  EXPECT_EQ(error_of(R"({"x":[,]})"), at("expected value", 1, 7));
}

TEST(DecodeSyntax, EndOfTextNamesWhatWasOpen) {
  EXPECT_EQ(error_of(""), at("EOF while parsing a value", 1, 0));
  EXPECT_EQ(error_of("   "), at("EOF while parsing a value", 1, 3));
  EXPECT_EQ(error_of("{"), at("EOF while parsing an object", 1, 1));
  EXPECT_EQ(error_of(R"({"jvm_path")"), at("EOF while parsing an object", 1, 11));
  EXPECT_EQ(error_of(R"({"jvm_path":)"), at("EOF while parsing a value", 1, 12));
  EXPECT_EQ(error_of(R"({"jvm_path":"a")"), at("EOF while parsing an object", 1, 15));
  EXPECT_EQ(error_of(R"({"jvm_path":"a",)"), at("EOF while parsing a value", 1, 16));
  EXPECT_EQ(error_of(R"({"jvm_path":"abc)"), at("EOF while parsing a string", 1, 16));
  EXPECT_EQ(error_of(R"({"jvm_path":"abc\)"), at("EOF while parsing a string", 1, 17));
  EXPECT_EQ(error_of(R"({"jvm_path":"\u12)"), at("EOF while parsing a string", 1, 17));
  EXPECT_EQ(error_of(R"({"jvm_path":"\ud800)"), at("EOF while parsing a string", 1, 19));
  EXPECT_EQ(error_of(R"({"jvm_pa)"), at("EOF while parsing a string", 1, 8));
  EXPECT_EQ(error_of(R"({"jvm_path":[97)"), at("EOF while parsing a list", 1, 15));
  EXPECT_EQ(error_of(R"({"jvm_path":[97,)"), at("EOF while parsing a value", 1, 16));
  EXPECT_EQ(error_of(R"({"x":[1)"), at("EOF while parsing a list", 1, 7));
  EXPECT_EQ(error_of(R"({"x":{"a":1)"), at("EOF while parsing an object", 1, 11));
  // Under an unknown key, an object cut off after a comma is still open; the record's own
  // object is cut off where its next key, a value, is due (above).
  EXPECT_EQ(error_of(R"({"x":[1,{"y":"z",)"), at("EOF while parsing an object", 1, 17));
  EXPECT_EQ(error_of(R"({"x":{"y":1,)"), at("EOF while parsing an object", 1, 12));
  EXPECT_EQ(error_of("{\"x\":{\"y\":1,\n"), at("EOF while parsing an object", 2, 0));
  EXPECT_EQ(error_of(R"({"x":[1,)"), at("EOF while parsing a value", 1, 8));
  EXPECT_EQ(error_of(R"({"x":{"a")"), at("EOF while parsing an object", 1, 9));
  EXPECT_EQ(error_of(R"({"x":nu)"), at("EOF while parsing a value", 1, 7));
  EXPECT_EQ(error_of(R"({"jvm_path":-)"), at("EOF while parsing a value", 1, 13));
  EXPECT_EQ(error_of(R"({"jvm_path":1.)"), at("EOF while parsing a value", 1, 14));
  EXPECT_EQ(error_of(R"({"jvm_path":1e-)"), at("EOF while parsing a value", 1, 15));
}

// Every proper prefix of a valid text fails for lack of text, at its end.
TEST(DecodeSyntax, EveryTruncationFailsAtTheEndOfText) {
  const std::string texts[] = {
      "{\n  \"jvm_path\": \"a\\\\b\\u00e9\",\n  \"x\": [1.5e3, {\"y\": null}, true, false],\n"
      "  \"main_class\": [97, 98],\n  \"encrypt_class\": \"e\",\n  \"options\": [\"-X\", [45]]\n}",
      "[\"j\", [97, 255], \"\\ud83d\\ude00\", [\"o\"]]",
  };
  const std::regex eof(
      "EOF while parsing (a list|an object|a string|a value) at line \\d+ column \\d+");
  for (const std::string& text : texts) {
    ASSERT_EQ(error_of(text), "<decoded>");
    for (std::size_t n = 0; n < text.size(); ++n) {
      const std::string_view prefix(text.data(), n);
      const std::size_t lf = prefix.rfind('\n');
      const int line = 1 + static_cast<int>(std::count(prefix.begin(), prefix.end(), '\n'));
      const int column = static_cast<int>(lf == std::string_view::npos ? n : n - lf - 1);
      const std::string message = error_of(prefix);
      EXPECT_TRUE(std::regex_match(message, eof)) << message;
      EXPECT_TRUE(message.ends_with(" at line " + std::to_string(line) + " column " +
                                    std::to_string(column)))
          << "prefix length " << n << ": " << message;
    }
  }
}

// ------------------------------------------------------------ syntax: strings

TEST(DecodeStrings, ControlCharactersOutsideByteStringValues) {
  // The message names the range in escape notation: backslashes, not the bytes.
  const std::string control = R"(control character (\u0000-\u001F) found while parsing a string)";
  const std::string message = error_of("{\"jvm\tpath\":\"a\"}");
  EXPECT_EQ(message, at(control, 1, 6));
  EXPECT_TRUE(std::none_of(message.begin(), message.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20;
  })) << message;
  // An offending line feed ends its line: column 0 of the next.
  EXPECT_EQ(error_of("{\"a\nb\":1}"), at(control, 2, 0));
  EXPECT_EQ(error_of("{\"x\":\"a\x01\"}"), at(control, 1, 8));
  EXPECT_EQ(error_of(opts("\"a\tb\"")), at(control, 2, 13));
  EXPECT_EQ(error_of(jvm("[97, \"\x1f\"]")), at(control, 1, 19));
  EXPECT_EQ(error_of("\"\x00\""s), at(control, 1, 2));
  EXPECT_EQ(error_of("{\"x\":[{\"\x1f\":1}]}"), at(control, 1, 9));
}

TEST(DecodeStrings, InvalidEscapes) {
  EXPECT_EQ(error_of(jvm(R"("\x")")), at("invalid escape", 1, 15));
  EXPECT_EQ(error_of(jvm(R"("\U0041")")), at("invalid escape", 1, 15));
  EXPECT_EQ(error_of(jvm(R"("\u12g4")")), at("invalid escape", 1, 18));
  EXPECT_EQ(error_of(R"({"\a":1})"), at("invalid escape", 1, 4));
  EXPECT_EQ(error_of(jvm(R"("\ud800\uZZ00")")), at("invalid escape", 1, 22));
}

TEST(DecodeStrings, Surrogates) {
  const std::string lone = "lone leading surrogate in hex escape";
  const std::string cut = "unexpected end of hex escape";
  EXPECT_EQ(error_of(jvm(R"("\udc00")")), at(lone, 1, 19));
  EXPECT_EQ(error_of(jvm(R"("\ud800\u0041")")), at(lone, 1, 25));
  EXPECT_EQ(error_of(jvm(R"("\ud800\ud800")")), at(lone, 1, 25));
  EXPECT_EQ(error_of(jvm(R"("\ud800x")")), at(cut, 1, 20));
  EXPECT_EQ(error_of(jvm(R"("\ud800")")), at(cut, 1, 20));
  EXPECT_EQ(error_of(jvm(R"("\ud800\n")")), at(cut, 1, 21));
  EXPECT_EQ(error_of(R"({"x":"\uDFFF"})"), at(lone, 1, 12));
}

TEST(DecodeStrings, NulByteRejectedAtTheEndOfTheValue) {
  EXPECT_EQ(error_of(jvm(R"("ab\u0000c")")),
            at("nul byte found in provided data at position: 2", 1, 23));
  EXPECT_EQ(error_of(jvm("\"a\0\""s)), at("nul byte found in provided data at position: 1", 1, 16));
  EXPECT_EQ(error_of(jvm("[97, 0, 98]")),
            at("nul byte found in provided data at position: 1", 1, 23));
  EXPECT_EQ(error_of(opts(R"(["ok", [0]])")),
            at("nul byte found in provided data at position: 0", 2, 20));
  EXPECT_EQ(error_of(R"(["j","m","\u0000\u0000"])"),
            at("nul byte found in provided data at position: 0", 1, 23));
  // Only byte-string values are checked: a NUL in a key or unknown value is fine.
  EXPECT_EQ(
      error_of(
          R"({"\u0000":"\u0000","jvm_path":"j","main_class":"m","encrypt_class":"e","options":[]})"),
      "<decoded>");
}

// ------------------------------------------------------------ syntax: numbers

TEST(DecodeNumbers, Malformed) {
  EXPECT_EQ(error_of(jvm("01")), at("invalid number", 1, 14));
  EXPECT_EQ(error_of(jvm("-01")), at("invalid number", 1, 15));
  EXPECT_EQ(error_of(jvm("-x")), at("invalid number", 1, 14));
  EXPECT_EQ(error_of(jvm("1.x")), at("invalid number", 1, 15));
  EXPECT_EQ(error_of(jvm("1.")), at("invalid number", 1, 15));
  EXPECT_EQ(error_of(jvm("1e+")), at("invalid number", 1, 16));
  EXPECT_EQ(error_of(jvm("1E")), at("invalid number", 1, 15));
  EXPECT_EQ(error_of(R"({"x":[00]})"), at("invalid number", 1, 8));
  EXPECT_EQ(error_of(jvm("+1")), at("expected value", 1, 13));
  EXPECT_EQ(error_of(jvm(".5")), at("expected value", 1, 13));
}

TEST(DecodeNumbers, OutOfRangeOnlyWhenTooLarge) {
  EXPECT_EQ(error_of(jvm("1e400")), at("number out of range", 1, 17));
  EXPECT_EQ(error_of(jvm("-1.5e400")), at("number out of range", 1, 20));
  EXPECT_EQ(error_of(jvm(std::string(310, '9'))), at("number out of range", 1, 322));
  EXPECT_EQ(error_of(jvm("[97, 1e400]")), at("number out of range", 1, 22));
  EXPECT_EQ(error_of(opts("[1e400]")), at("number out of range", 2, 16));
  EXPECT_EQ(error_of(opts("[[1e400]]")), at("number out of range", 2, 17));
  EXPECT_EQ(error_of("1e400"), at("number out of range", 1, 5));
  // Too small is zero, not an error.
  EXPECT_EQ(error_of(jvm("1e-400")),
            at("invalid type: floating point `0.0`, expected byte array", 1, 18));
  EXPECT_EQ(error_of(jvm("-0.0000e-" + std::string(20, '9'))),
            at("invalid type: floating point `-0.0`, expected byte array", 1, 41));
  EXPECT_EQ(error_of(jvm("0." + std::string(400, '0') + "1e400")),
            at("invalid type: floating point `0.1`, expected byte array", 1, 419));
}

// Floats are named with all their digits, never with an exponent. An exponent
// past 32 bits ends the read where it overflowed, or gives a zero.
TEST(DecodeNumbers, ExtremeMagnitudes) {
  const std::string max_double = "17976931348623157" + std::string(292, '0') + ".0";
  EXPECT_EQ(error_of(jvm("5e-324")), at("invalid type: floating point `0." + std::string(323, '0') +
                                            "5`, expected byte array",
                                        1, 18));
  EXPECT_EQ(error_of(jvm("[1.7976931348623157e308]")),
            at("invalid type: floating point `" + max_double + "`, expected u8", 1, 35));
  EXPECT_EQ(
      error_of(jvm("1e22")),
      at("invalid type: floating point `10000000000000000000000.0`, expected byte array", 1, 16));
  EXPECT_EQ(error_of(jvm("1e-7")),
            at("invalid type: floating point `0.0000001`, expected byte array", 1, 16));
  // Past 64 bits an integer is floating point.
  EXPECT_EQ(
      error_of("18446744073709551616"),
      at("invalid type: floating point `18446744073709552000.0`, expected struct JavaApp", 1, 20));
  EXPECT_EQ(error_of(opts("[[-9223372036854775809]]")),
            at("invalid type: floating point `-9223372036854776000.0`, expected u8", 2, 32));

  // The largest exponent that fits is converted; one digit more overflows it.
  EXPECT_EQ(error_of(jvm("1e2147483647")), at("number out of range", 1, 24));
  EXPECT_EQ(error_of(jvm("1e21474836480")), at("number out of range", 1, 24));
  EXPECT_EQ(error_of(jvm("[-0.5E+2147483648999]")), at("number out of range", 1, 29));
  EXPECT_EQ(error_of(R"({"jvm_path": 1e99999999999999999999})"), at("number out of range", 1, 25));
  // A zero significand or a negative exponent reads on to a zero.
  EXPECT_EQ(error_of(jvm("-0.000e99999999999999999999")),
            at("invalid type: floating point `-0.0`, expected byte array", 1, 39));
  EXPECT_EQ(error_of(jvm("[1e-99999999999999999999]")),
            at("invalid type: floating point `0.0`, expected u8", 1, 36));
  EXPECT_EQ(error_of(jvm("-1e-2147483648")),
            at("invalid type: floating point `-0.0`, expected byte array", 1, 26));
}

// Values under unknown keys are syntax-checked only: no magnitude is out of range there.
TEST(DecodeNumbers, UnknownValuesAreNotConverted) {
  EXPECT_EQ(error_of(R"({"x":1e999})"), at("missing field `jvm_path`", 1, 11));
  EXPECT_EQ(error_of(R"({"x":-1.5e400})"), at("missing field `jvm_path`", 1, 14));
  EXPECT_EQ(error_of(R"({"x":[)" + std::string(310, '9') + "]}"),
            at("missing field `jvm_path`", 1, 318));
  EXPECT_EQ(error_of("{\"x\":1e" + std::string(23, '9') + "}"),
            at("missing field `jvm_path`", 1, 31));
  EXPECT_EQ(error_of(R"({"x":{"y":[1e999]},"jvm_path":"j","main_class":"m","encrypt_class":"e",)"
                     R"("options":[]})"),
            "<decoded>");
  // Their syntax still counts.
  EXPECT_EQ(error_of(R"({"x":[1e999,01]})"), at("invalid number", 1, 14));
  EXPECT_EQ(error_of(R"({"x":1e999x})"), at("expected `,` or `}`", 1, 11));
}

TEST(DecodeNumbers, ByteArrayElementsMustBeU8) {
  EXPECT_EQ(error_of(jvm("[256]")), at("invalid value: integer `256`, expected u8", 1, 16));
  EXPECT_EQ(error_of(jvm("[-1]")), at("invalid value: integer `-1`, expected u8", 1, 15));
  EXPECT_EQ(error_of(jvm("[18446744073709551615]")),
            at("invalid value: integer `18446744073709551615`, expected u8", 1, 33));
  EXPECT_EQ(error_of(jvm("[-9223372036854775808]")),
            at("invalid value: integer `-9223372036854775808`, expected u8", 1, 33));
  EXPECT_EQ(error_of(jvm("[97.0]")), at("invalid type: floating point `97.0`, expected u8", 1, 17));
  EXPECT_EQ(error_of(jvm("[1e3]")),
            at("invalid type: floating point `1000.0`, expected u8", 1, 16));
  EXPECT_EQ(error_of(jvm("[-0]")), at("invalid type: floating point `-0.0`, expected u8", 1, 15));
}

}  // namespace
}  // namespace launcher
