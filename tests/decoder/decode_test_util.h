// Helpers shared by the decoder's tests: texts with fields at known
// columns, and the decoder's result as one comparable string.
//
// Expected positions were counted by hand from the test texts. Most texts are
// built by `jvm(V)`, where V starts at column 13, or `opts(V)`, where V starts
// at line 2 column 11, so columns can be checked at a glance.
#ifndef LAUNCHER_TESTS_DECODER_DECODE_TEST_UTIL_H_
#define LAUNCHER_TESTS_DECODER_DECODE_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "java_app.h"
#include "result.h"

namespace launcher::decode_test {

// The decoder's message for `text`, or "<decoded>" when it decodes.
inline std::string error_of(std::string_view text) {
  const Result<JavaApp> r = decode(text);
  return r ? "<decoded>" : r.error().message;
}

inline std::string at(std::string_view message, int line, int column) {
  return std::string(message) + " at line " + std::to_string(line) + " column " +
         std::to_string(column);
}

// `{"jvm_path":` is 12 bytes: `value` starts at line 1 column 13.
inline std::string jvm(std::string_view value) {
  return "{\"jvm_path\":" + std::string(value) +
         ",\"main_class\":\"m\",\"encrypt_class\":\"e\",\"options\":[]}";
}

// `"options":` is 10 bytes: `value` starts at line 2 column 11.
inline std::string opts(std::string_view value) {
  return "{\"jvm_path\":\"j\",\"main_class\":\"m\",\"encrypt_class\":\"e\",\n\"options\":" +
         std::string(value) + "}";
}

inline JavaApp decoded(std::string_view text) {
  Result<JavaApp> r = decode(text);
  EXPECT_TRUE(r.has_value()) << (r ? "" : r.error().message);
  return r ? *r : JavaApp{};
}

}  // namespace launcher::decode_test

#endif  // LAUNCHER_TESTS_DECODER_DECODE_TEST_UTIL_H_
