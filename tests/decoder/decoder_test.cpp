// Tests of the configuration decoder, its message helpers, the catalogue
// formatting and the fallback result type.
//
// Expected positions were counted by hand from the test texts. Most texts are
// built by `jvm(V)`, where V starts at column 13, or `opts(V)`, where V starts
// at line 2 column 11, so columns can be checked at a glance.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <regex>
#include <string>
#include <string_view>

#include "catalogue_format.h"
#include "java_app.h"
#include "json_reader.h"
#include "result.h"

namespace launcher {
namespace {

using namespace std::string_literals;

// The decoder's message for `text`, or "<decoded>" when it decodes.
std::string error_of(std::string_view text) {
  const Result<JavaApp> r = decode(text);
  return r ? "<decoded>" : r.error().message;
}

std::string at(std::string_view message, int line, int column) {
  return std::string(message) + " at line " + std::to_string(line) + " column " +
         std::to_string(column);
}

// `{"jvm_path":` is 12 bytes: `value` starts at line 1 column 13.
std::string jvm(std::string_view value) {
  return "{\"jvm_path\":" + std::string(value) +
         ",\"main_class\":\"m\",\"encrypt_class\":\"e\",\"options\":[]}";
}

// `"options":` is 10 bytes: `value` starts at line 2 column 11.
std::string opts(std::string_view value) {
  return "{\"jvm_path\":\"j\",\"main_class\":\"m\",\"encrypt_class\":\"e\",\n\"options\":" +
         std::string(value) + "}";
}

JavaApp decoded(std::string_view text) {
  Result<JavaApp> r = decode(text);
  EXPECT_TRUE(r.has_value()) << (r ? "" : r.error().message);
  return r ? *r : JavaApp{};
}

// ---------------------------------------------------------------- valid input

TEST(DecodeValid, PrettyPrintedConfigHasSingleBackslashes) {
  const char* text = R"({
    "jvm_path": ".\\jre\\bin\\client\\jvm.dll",
    "main_class": "veltra/kova/EnrolMain",
    "encrypt_class": "veltra/kova/security/impl/DistributionKeyProviderImpl",
    "options": [
        "-verbose:jni,class",
        "-Djava.ext.dirs=.\\jre\\lib\\ext;.\\ext;.\\lib;"
    ]
}
)";
  const JavaApp expected{R"(.\jre\bin\client\jvm.dll)",
                         "veltra/kova/EnrolMain",
                         "veltra/kova/security/impl/DistributionKeyProviderImpl",
                         {"-verbose:jni,class", R"(-Djava.ext.dirs=.\jre\lib\ext;.\ext;.\lib;)"}};
  EXPECT_EQ(decoded(text), expected);
}

TEST(DecodeValid, MembersInAnyOrderAndArrayForm) {
  const JavaApp expected{"j", "m", "e", {"o1", "o2"}};
  EXPECT_EQ(
      decoded(R"({"options":["o1","o2"],"encrypt_class":"e","jvm_path":"j","main_class":"m"})"),
      expected);
  EXPECT_EQ(decoded(" \t\r\n[\"j\" , \"m\",\"e\",[\"o1\",\"o2\"]] \r\n\t "), expected);
}

TEST(DecodeValid, EmptyOptions) {
  EXPECT_EQ(decoded(R"({"jvm_path":"j","main_class":"m","encrypt_class":"e","options":[ ]})"),
            (JavaApp{"j", "m", "e", {}}));
}

TEST(DecodeValid, UnknownMembersAreIgnoredWhateverTheirValue) {
  const std::string text =
      R"({"x":[[{"y":[1,-2.5e-3,{"z":null}],"":{}}],[]],"jvm_path":"j","w":{"a":[true,false,"s\n\u00e9"]},)"
      R"("main_class":"m","n":null,"encrypt_class":"e","t":true,"options":[],"num":-0,"s":"\ud83d\ude00"})";
  EXPECT_EQ(decoded(text), (JavaApp{"j", "m", "e", {}}));
}

TEST(DecodeValid, ByteArraysEqualStrings) {
  EXPECT_EQ(decoded(jvm("[97, 47, 66]")).jvm_path, "a/B");
  EXPECT_EQ(decoded(jvm("[]")).jvm_path, "");
  EXPECT_EQ(decoded(jvm("[255,128,1]")).jvm_path, "\xff\x80\x01");
  EXPECT_EQ(decoded(opts(R"(["s", [104, 105], []])")).options,
            (std::vector<std::string>{"s", "hi", ""}));
  EXPECT_EQ(decoded(R"([[106],[109],[101],[[111]]])"), (JavaApp{"j", "m", "e", {"o"}}));
}

TEST(DecodeValid, EscapesAreDecoded) {
  EXPECT_EQ(decoded(jvm(R"("\"\\\/\b\f\n\r\t")")).jvm_path, "\"\\/\b\f\n\r\t");
  EXPECT_EQ(decoded(jvm(R"("\u0041\u00e9\u20AC")")).jvm_path, "A\xc3\xa9\xe2\x82\xac");
  // A surrogate pair becomes one four-byte UTF-8 character.
  EXPECT_EQ(decoded(jvm(R"("\ud83d\ude00")")).jvm_path, "\xf0\x9f\x98\x80");
  EXPECT_EQ(decoded(jvm(R"("\uDBFF\uDFFF")")).jvm_path, "\xf4\x8f\xbf\xbf");
  // Keys are compared after decoding.
  EXPECT_EQ(decoded(R"({"jvm\u005fpath":"j","main_class":"m","encrypt_class":"e","options":[]})")
                .jvm_path,
            "j");
}

TEST(DecodeValid, RawControlBytesAndInvalidUtf8KeptInByteStrings) {
  EXPECT_EQ(decoded(jvm("\"a\tb\"")).jvm_path, "a\tb");
  EXPECT_EQ(decoded(jvm("\"a\nb\x01\x1f\"")).jvm_path, "a\nb\x01\x1f");
  EXPECT_EQ(decoded(opts("[\"\r\"]")).options, std::vector<std::string>{"\r"});
  EXPECT_EQ(decoded(jvm("\"\xff\xc0\x80\xed\xa0\x80\"")).jvm_path, "\xff\xc0\x80\xed\xa0\x80");
}

// --------------------------------------------------------------- record shape

TEST(DecodeRecord, MissingFieldIsTheFirstAbsentInDeclaredOrderAtTheBrace) {
  EXPECT_EQ(error_of("{}"), at("missing field `jvm_path`", 1, 2));
  EXPECT_EQ(error_of(R"({"jvm_path":"a","options":[]})"), at("missing field `main_class`", 1, 29));
  EXPECT_EQ(error_of("{\"jvm_path\":\"a\",\"main_class\":\"b\",\"options\":[]\n}"),
            at("missing field `encrypt_class`", 2, 1));
  EXPECT_EQ(error_of(R"({"jvm_path":"a","main_class":"b","encrypt_class":"c"})"),
            at("missing field `options`", 1, 53));
}

TEST(DecodeRecord, DuplicateFieldFailsOnSecondKeyBeforeItsValue) {
  // Positioned after the key's closing quote and the whitespace after it.
  EXPECT_EQ(error_of(R"({"jvm_path":"a","jvm_path" :"b"})"),
            at("duplicate field `jvm_path`", 1, 27));
  EXPECT_EQ(error_of(R"({"options":[],"options" 5)"), at("duplicate field `options`", 1, 24));
  EXPECT_EQ(error_of(R"({"main_class":"a","main\u005fclass":"b"})"),
            at("duplicate field `main_class`", 1, 35));
  // Unknown keys may repeat.
  EXPECT_EQ(
      error_of(R"({"x":1,"x":2,"jvm_path":"j","main_class":"m","encrypt_class":"e","options":[]})"),
      "<decoded>");
}

TEST(DecodeRecord, ArrayFormLength) {
  EXPECT_EQ(error_of(R"(["j","m","e"])"),
            at("invalid length 3, expected struct JavaApp with 4 elements", 1, 13));
  EXPECT_EQ(error_of("[]"), at("invalid length 0, expected struct JavaApp with 4 elements", 1, 2));
  EXPECT_EQ(error_of(R"(["j","m","e",[],"x"])"), at("trailing characters", 1, 17));
  EXPECT_EQ(error_of(R"(["j","m","e",[] x)"), at("expected `,` or `]`", 1, 17));
  EXPECT_EQ(error_of(R"(["j","m","e",[],)"), at("EOF while parsing a value", 1, 16));
  EXPECT_EQ(error_of(R"(["j")"), at("EOF while parsing a list", 1, 4));
  // Elements of the array form are checked like the members they stand for.
  EXPECT_EQ(error_of(R"(["j",5)"), at("invalid type: integer `5`, expected byte array", 1, 6));
  EXPECT_EQ(error_of(R"(["j","m","e","o"])"),
            at("invalid type: string \"o\", expected a sequence", 1, 16));
}

TEST(DecodeRecord, TopLevelValueOfAnotherType) {
  EXPECT_EQ(error_of("null"), at("invalid type: null, expected struct JavaApp", 1, 4));
  EXPECT_EQ(error_of(" \"abc\""),
            at("invalid type: string \"abc\", expected struct JavaApp", 1, 6));
  EXPECT_EQ(error_of("12"), at("invalid type: integer `12`, expected struct JavaApp", 1, 2));
  EXPECT_EQ(error_of("-1.5"),
            at("invalid type: floating point `-1.5`, expected struct JavaApp", 1, 4));
  EXPECT_EQ(error_of("true"), at("invalid type: boolean `true`, expected struct JavaApp", 1, 4));
  EXPECT_EQ(error_of("\n x"), at("expected value", 2, 2));
  EXPECT_EQ(error_of("]"), at("expected value", 1, 1));
}

TEST(DecodeRecord, TrailingCharactersAfterTheRecord) {
  EXPECT_EQ(error_of(R"(["j","m","e",[]] x)"), at("trailing characters", 1, 18));
  EXPECT_EQ(error_of(R"(["j","m","e",[]]])"), at("trailing characters", 1, 17));
  EXPECT_EQ(error_of(jvm("\"j\"") + "\n\n}"), at("trailing characters", 3, 1));
  EXPECT_EQ(error_of("nullx"), at("invalid type: null, expected struct JavaApp", 1, 4));
}

// ------------------------------------------------------------- trailing commas

TEST(DecodeTrailingComma, RejectedInEveryPlaceOfTheRecord) {
  EXPECT_EQ(error_of(R"({"jvm_path":"j",})"), at("trailing comma", 1, 17));
  EXPECT_EQ(error_of(R"(["j","m","e",[],])"), at("trailing comma", 1, 17));
  EXPECT_EQ(error_of(R"(["j",])"), at("trailing comma", 1, 6));
  EXPECT_EQ(error_of(opts(R"(["a",])")), at("trailing comma", 2, 16));
  EXPECT_EQ(error_of(jvm("[97,]")), at("trailing comma", 1, 17));
  EXPECT_EQ(error_of(opts("[[97, ]]")), at("trailing comma", 2, 17));
}

TEST(DecodeTrailingComma, InUnknownValueIsASyntaxError) {
  EXPECT_EQ(error_of(R"({"x":[1,]})"), at("expected value", 1, 9));
  EXPECT_EQ(error_of(R"({"x":{"a":1,}})"), at("key must be a string", 1, 13));
  EXPECT_EQ(error_of(R"({"x":[[],[{},],]})"), at("expected value", 1, 14));
}

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
  const std::string control = "control character (\\u0000-\\u001F) found while parsing a string";
  EXPECT_EQ(control.find("\\u0000"), 19u);  // a literal backslash-u, not a decoded NUL
  EXPECT_EQ(error_of("{\"jvm\tpath\":\"a\"}"), at(control, 1, 6));
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
  EXPECT_EQ(error_of(R"({"x":-1.5e400})"), at("number out of range", 1, 13));
  EXPECT_EQ(error_of(R"({"x":[)" + std::string(310, '9') + "]}"),
            at("number out of range", 1, 316));
  EXPECT_EQ(error_of("{\"x\":1e" + std::string(23, '9') + "}"), at("number out of range", 1, 30));
  // Too small is zero, not an error.
  EXPECT_EQ(error_of(jvm("1e-400")),
            at("invalid type: floating point `0.0`, expected byte array", 1, 18));
  EXPECT_EQ(error_of(jvm("-0.0000e-" + std::string(20, '9'))),
            at("invalid type: floating point `-0.0`, expected byte array", 1, 41));
  EXPECT_EQ(error_of(jvm("0." + std::string(400, '0') + "1e400")),
            at("invalid type: floating point `0.1`, expected byte array", 1, 419));
}

TEST(DecodeNumbers, ByteArrayElementsMustBeU8) {
  EXPECT_EQ(error_of(jvm("[256]")), at("invalid value: integer `256`, expected u8", 1, 16));
  EXPECT_EQ(error_of(jvm("[-1]")), at("invalid value: integer `-1`, expected u8", 1, 15));
  EXPECT_EQ(error_of(jvm("[18446744073709551615]")),
            at("invalid value: integer `18446744073709551615`, expected u8", 1, 33));
  EXPECT_EQ(error_of(jvm("[-9223372036854775808]")),
            at("invalid value: integer `-9223372036854775808`, expected u8", 1, 33));
  // Past 64 bits an integer is floating point.
  EXPECT_EQ(error_of(jvm("[18446744073709551616]")),
            at("invalid type: floating point `1.8446744073709552e19`, expected u8", 1, 33));
  EXPECT_EQ(error_of(jvm("[-9223372036854775809]")),
            at("invalid type: floating point `-9.223372036854776e18`, expected u8", 1, 33));
  EXPECT_EQ(error_of(jvm("[97.0]")), at("invalid type: floating point `97.0`, expected u8", 1, 17));
  EXPECT_EQ(error_of(jvm("[1e3]")),
            at("invalid type: floating point `1000.0`, expected u8", 1, 16));
  EXPECT_EQ(error_of(jvm("[-0]")), at("invalid type: floating point `-0.0`, expected u8", 1, 15));
  EXPECT_EQ(error_of(jvm("[1.5e300]")),
            at("invalid type: floating point `1.5e300`, expected u8", 1, 20));
}

// ----------------------------------------------------------- literals, types

TEST(DecodeLiterals, MisspeltWords) {
  EXPECT_EQ(error_of(jvm("nul")), at("expected ident", 1, 16));
  EXPECT_EQ(error_of(jvm("nil")), at("expected ident", 1, 14));
  EXPECT_EQ(error_of(jvm("trux")), at("expected ident", 1, 16));
  EXPECT_EQ(error_of(jvm("fals")), at("expected ident", 1, 17));
  EXPECT_EQ(error_of(R"({"x":nulx})"), at("expected ident", 1, 9));
  EXPECT_EQ(error_of(R"({"x":True})"), at("expected value", 1, 6));
  EXPECT_EQ(error_of(jvm("[97, nul]")), at("expected ident", 1, 21));
}

TEST(DecodeTypes, FoundKindsExpectedByteArray) {
  EXPECT_EQ(error_of(jvm("null")), at("invalid type: null, expected byte array", 1, 16));
  EXPECT_EQ(error_of(jvm("true")), at("invalid type: boolean `true`, expected byte array", 1, 16));
  EXPECT_EQ(error_of(jvm("false")),
            at("invalid type: boolean `false`, expected byte array", 1, 17));
  EXPECT_EQ(error_of(jvm("42")), at("invalid type: integer `42`, expected byte array", 1, 14));
  EXPECT_EQ(error_of(jvm("-42")), at("invalid type: integer `-42`, expected byte array", 1, 15));
  EXPECT_EQ(error_of(jvm("4.25")),
            at("invalid type: floating point `4.25`, expected byte array", 1, 16));
  // Arrays and objects are named by their opening bracket.
  EXPECT_EQ(error_of(jvm(R"( {"a":1})")), at("invalid type: map, expected byte array", 1, 14));
  EXPECT_EQ(error_of(opts("[true]")),
            at("invalid type: boolean `true`, expected byte array", 2, 15));
  EXPECT_EQ(error_of(R"({"jvm_path":"j","main_class":"m","encrypt_class":{)"),
            at("invalid type: map, expected byte array", 1, 50));
}

TEST(DecodeTypes, FoundKindsExpectedSequenceAndU8) {
  EXPECT_EQ(error_of(opts("\"-Xmx\"")),
            at("invalid type: string \"-Xmx\", expected a sequence", 2, 16));
  EXPECT_EQ(error_of(opts("{}")), at("invalid type: map, expected a sequence", 2, 11));
  EXPECT_EQ(error_of(opts("null")), at("invalid type: null, expected a sequence", 2, 14));
  EXPECT_EQ(error_of(opts("7")), at("invalid type: integer `7`, expected a sequence", 2, 11));
  EXPECT_EQ(error_of(jvm("[97, \"a\"]")), at("invalid type: string \"a\", expected u8", 1, 20));
  EXPECT_EQ(error_of(jvm("[[97]]")), at("invalid type: sequence, expected u8", 1, 14));
  EXPECT_EQ(error_of(jvm("[{}]")), at("invalid type: map, expected u8", 1, 14));
  EXPECT_EQ(error_of(jvm("[null]")), at("invalid type: null, expected u8", 1, 17));
  EXPECT_EQ(error_of(jvm("[false]")), at("invalid type: boolean `false`, expected u8", 1, 18));
}

TEST(DecodeTypes, FoundStringIsQuotedWithEscapes) {
  // "options": then "q\"b\\s\n\r\t\u0001\u007f\u00e9\u0000" (39 bytes) ends at column 49.
  const std::string text = opts(R"("q\"b\\s\n\r\t\u0001\u007f\u00e9\u0000")");
  EXPECT_EQ(error_of(text),
            at("invalid type: string \"q\\\"b\\\\s\\n\\r\\t\\u{01}\\u{7f}\xc3\xa9\\u{00}\", "
               "expected a sequence",
               2, 49));
}

// ------------------------------------------------------------------ positions

TEST(DecodePositions, ColumnsCountBytesAndLinesCountLineFeeds) {
  // é, € and U+1F600 take 2, 3 and 4 bytes: the brace is byte 20, not character 15.
  EXPECT_EQ(error_of("{\"x\":\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\"  ,}"),
            at("trailing comma", 1, 20));
  EXPECT_EQ(error_of("{\n}"), at("missing field `jvm_path`", 2, 1));
  EXPECT_EQ(error_of("{\r\n\r\n}"), at("missing field `jvm_path`", 3, 1));
  EXPECT_EQ(error_of("\n"), at("EOF while parsing a value", 2, 0));
  EXPECT_EQ(error_of("{\n"), at("EOF while parsing an object", 2, 0));
  EXPECT_EQ(error_of("[\"j\",\n\"m\"\n"), at("EOF while parsing a list", 3, 0));
  // A carriage return is an ordinary byte on its line.
  EXPECT_EQ(error_of("{\r}"), at("missing field `jvm_path`", 1, 3));
}

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
            at("invalid type: sequence, expected u8", 2, 13));
}

// Mutations of valid texts: never crash (run under sanitizers), always either
// a record free of NUL bytes or a positioned message within the text.
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
    const Result<JavaApp> r = decode(text);
    if (r) {
      ++decoded_count;
      for (const std::string* v : {&r->jvm_path, &r->main_class, &r->encrypt_class}) {
        ASSERT_EQ(v->find('\0'), std::string::npos) << text;
      }
      for (const std::string& option : r->options)
        ASSERT_EQ(option.find('\0'), std::string::npos) << text;
      continue;
    }
    ++failed_count;
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

// ------------------------------------------------------------ message helpers

TEST(FormatDouble, ShortestDigitsPositionalInTheMiddleRange) {
  EXPECT_EQ(json::format_double(97.0), "97.0");
  EXPECT_EQ(json::format_double(1e3), "1000.0");
  EXPECT_EQ(json::format_double(123.456), "123.456");
  EXPECT_EQ(json::format_double(0.1), "0.1");
  EXPECT_EQ(json::format_double(-2.5), "-2.5");
  EXPECT_EQ(json::format_double(0.0001), "0.0001");
  EXPECT_EQ(json::format_double(9999999999999998.0), "9999999999999998.0");
  EXPECT_EQ(json::format_double(0.0), "0.0");
  EXPECT_EQ(json::format_double(-0.0), "-0.0");
}

TEST(FormatDouble, ScientificOutsideIt) {
  EXPECT_EQ(json::format_double(1.5e300), "1.5e300");
  EXPECT_EQ(json::format_double(1e16), "1e16");
  EXPECT_EQ(json::format_double(0.00001), "1e-5");
  EXPECT_EQ(json::format_double(-1.25e-7), "-1.25e-7");
  EXPECT_EQ(json::format_double(5e-324), "5e-324");
  EXPECT_EQ(json::format_double(1.7976931348623157e308), "1.7976931348623157e308");
}

TEST(QuoteForMessage, EscapesQuotesBackslashesAndControls) {
  EXPECT_EQ(json::quote_for_message(""), "\"\"");
  EXPECT_EQ(json::quote_for_message("a\"b\\c"), R"("a\"b\\c")");
  EXPECT_EQ(json::quote_for_message("\n\r\t\x01\x1f\x7f"s), R"("\n\r\t\u{01}\u{1f}\u{7f}")");
  EXPECT_EQ(json::quote_for_message("\0"s), R"("\u{00}")");
  EXPECT_EQ(json::quote_for_message("\xc3\xa9\xff ~"), "\"\xc3\xa9\xff ~\"");
}

// ------------------------------------------------------------------ catalogue

TEST(CatalogueFormat, EscapesEverythingButPrintableAsciiAndTheBackslash) {
  EXPECT_EQ(escape_for_display(" azAZ09~!/"), " azAZ09~!/");
  EXPECT_EQ(escape_for_display(R"(.\jre)"), R"(.\x5cjre)");
  EXPECT_EQ(escape_for_display("\t\n\x1f\x7f\x80\xff"), R"(\x09\x0a\x1f\x7f\x80\xff)");
  EXPECT_EQ(escape_for_display("\xc3\xa9"), R"(\xc3\xa9)");
  EXPECT_EQ(escape_for_display(""), "");
}

TEST(CatalogueFormat, EntryListsFieldsThenOptionsInOrder) {
  EXPECT_EQ(format_catalogue_entry(JavaApp{R"(a\b)", "m/C", "e\t", {"-x", "\xff", ""}}),
            "jvm_path: a\\x5cb\n"
            "main_class: m/C\n"
            "encrypt_class: e\\x09\n"
            "options: 3\n"
            "option: -x\n"
            "option: \\xff\n"
            "option: \n");
  EXPECT_EQ(format_catalogue_entry(JavaApp{"j", "m", "e", {}}),
            "jvm_path: j\nmain_class: m\nencrypt_class: e\noptions: 0\n");
}

// --------------------------------------------------------------- result type

TEST(FallbackResult, HoldsValueOrError) {
  detail::FallbackResult<std::string> ok = std::string("value");
  ASSERT_TRUE(ok.has_value());
  EXPECT_TRUE(static_cast<bool>(ok));
  EXPECT_EQ(*ok, "value");
  EXPECT_EQ(ok->size(), 5u);
  ok.value() += "!";
  EXPECT_EQ(std::move(ok).value(), "value!");

  const detail::FallbackResult<std::string> bad =
      detail::Failure{Error{"broken at line 1 column 1"}};
  EXPECT_FALSE(bad.has_value());
  EXPECT_FALSE(static_cast<bool>(bad));
  EXPECT_EQ(bad.error().message, "broken at line 1 column 1");
}

TEST(FallbackResultDeathTest, AccessingTheAbsentSideAborts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const detail::FallbackResult<int> bad = detail::Failure{Error{"e"}};
  EXPECT_DEATH((void)bad.value(), "");
  const detail::FallbackResult<int> ok = 1;
  EXPECT_DEATH((void)ok.error(), "");
}

TEST(Result, FailBuildsTheErrorState) {
  const Result<int> r = fail(Error{"nope"});
  ASSERT_FALSE(r.has_value());
  EXPECT_EQ(r.error(), Error{"nope"});
  const Result<int> v = 3;
  EXPECT_EQ(*v, 3);
}

}  // namespace
}  // namespace launcher
