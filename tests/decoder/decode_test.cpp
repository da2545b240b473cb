// The decoder on valid texts, the record's shape, trailing commas, value
// types and how positions are counted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode_test_util.h"
#include "java_app.h"
#include "result.h"

namespace launcher {
namespace {

using namespace decode_test;

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
  EXPECT_EQ(error_of(R"(["j","m","e",[],)"), at("EOF while parsing a value", 1, 16));
  EXPECT_EQ(error_of(R"(["j","m","e",[])"), at("EOF while parsing a list", 1, 15));
  EXPECT_EQ(error_of(R"(["j")"), at("EOF while parsing a list", 1, 4));
  // Before the fourth element a separator is due; after it, only the closing bracket.
  EXPECT_EQ(error_of(R"(["j" "m"])"), at("expected `,` or `]`", 1, 6));
  EXPECT_EQ(error_of(R"(["j","m","e",[] x)"), at("trailing characters", 1, 17));
  EXPECT_EQ(error_of(R"(["j","m","e",["a"]a])"), at("trailing characters", 1, 19));
  EXPECT_EQ(error_of("[\"j\",\"m\",\"e\",[]\n}"), at("trailing characters", 2, 1));
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
  // Arrays and objects are named from their opening bracket, placed just before it.
  EXPECT_EQ(error_of(jvm(R"( {"a":1})")), at("invalid type: map, expected byte array", 1, 13));
  EXPECT_EQ(error_of(opts("[true]")),
            at("invalid type: boolean `true`, expected byte array", 2, 15));
  EXPECT_EQ(error_of(R"({"jvm_path":"j","main_class":"m","encrypt_class":{)"),
            at("invalid type: map, expected byte array", 1, 49));
}

TEST(DecodeTypes, FoundKindsExpectedSequenceAndU8) {
  EXPECT_EQ(error_of(opts("\"-Xmx\"")),
            at("invalid type: string \"-Xmx\", expected a sequence", 2, 16));
  EXPECT_EQ(error_of(opts("{}")), at("invalid type: map, expected a sequence", 2, 10));
  EXPECT_EQ(error_of(opts("null")), at("invalid type: null, expected a sequence", 2, 14));
  EXPECT_EQ(error_of(opts("7")), at("invalid type: integer `7`, expected a sequence", 2, 11));
  EXPECT_EQ(error_of(jvm("[97, \"a\"]")), at("invalid type: string \"a\", expected u8", 1, 20));
  EXPECT_EQ(error_of(jvm("[[97]]")), at("invalid type: sequence, expected u8", 1, 13));
  EXPECT_EQ(error_of(jvm("[{}]")), at("invalid type: map, expected u8", 1, 13));
  EXPECT_EQ(error_of(jvm("[null]")), at("invalid type: null, expected u8", 1, 17));
  EXPECT_EQ(error_of(jvm("[false]")), at("invalid type: boolean `false`, expected u8", 1, 18));
}

// A map or sequence of the wrong type stops decoding at the last byte read before its bracket,
// whitespace included; scalars are placed at their own last byte.
TEST(DecodeTypes, MapOrSequenceIsPlacedBeforeItsBracket) {
  EXPECT_EQ(error_of(R"({"jvm_path":{}})"), at("invalid type: map, expected byte array", 1, 12));
  EXPECT_EQ(error_of(R"({"options":{}})"), at("invalid type: map, expected a sequence", 1, 11));
  EXPECT_EQ(error_of(R"({"jvm_path":[[1]]})"), at("invalid type: sequence, expected u8", 1, 13));
  EXPECT_EQ(error_of("[{}]"), at("invalid type: map, expected byte array", 1, 1));
  EXPECT_EQ(error_of(R"({"jvm_path": 	{}})"),
            at("invalid type: map, expected byte array", 1, 14));
  EXPECT_EQ(error_of(opts("[[{}]]")), at("invalid type: map, expected u8", 2, 12));
  // A bracket that begins a line: nothing of that line has been read yet.
  EXPECT_EQ(error_of("{\n\"jvm_path\":\n{}}"), at("invalid type: map, expected byte array", 3, 0));
  EXPECT_EQ(error_of("{\"options\":\n  [\n[[]]]}"),
            at("invalid type: sequence, expected u8", 3, 1));
  // The bracket is not read, so what follows it does not matter, not even the end of text.
  EXPECT_EQ(error_of(R"({"jvm_path":{)"), at("invalid type: map, expected byte array", 1, 12));
  EXPECT_EQ(error_of(R"({"jvm_path":[[)"), at("invalid type: sequence, expected u8", 1, 13));
  EXPECT_EQ(error_of(R"({"options":{"a" 1})"), at("invalid type: map, expected a sequence", 1, 11));
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

}  // namespace
}  // namespace launcher
