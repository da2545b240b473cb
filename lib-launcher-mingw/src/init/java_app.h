// The launcher's configuration record and its strict JSON decoder.
#ifndef LAUNCHER_INIT_JAVA_APP_H_
#define LAUNCHER_INIT_JAVA_APP_H_

#include <string>
#include <string_view>
#include <vector>

#include "result.h"

namespace launcher {

// What the launcher needs to start a Java application. Every member is a byte string taken as
// written, with no character-encoding check; a decoded record never holds a NUL byte in any of
// them, so each can be handed on as a C string without truncation.
struct JavaApp {
  std::string jvm_path;
  std::string main_class;
  std::string encrypt_class;
  std::vector<std::string> options;

  friend bool operator==(const JavaApp&, const JavaApp&) = default;
};

// Decodes a JavaApp from JSON text (RFC 8259), strictly.
//
// The text holds either an object with the members "jvm_path", "main_class", "encrypt_class" (byte
// strings) and "options" (array of byte strings), in any order, each exactly once, other members
// being checked and ignored; or an array of exactly those four values in that order. A byte string
// is a JSON string, whose raw bytes 0x01-0x1F are kept as they are, or an array of integers 0-255.
// No byte string may contain a NUL.
//
// Any byte sequence is acceptable input. On failure the error message states what is wrong and ends
// with " at line L column C" (see json_reader.h for how the position is counted). The record's own
// errors stop decoding just past: a repeated field's key and the whitespace after it; the closing
// brace when a field is missing; the closing bracket of an array form with fewer than four
// elements; the byte string that holds a NUL.
Result<JavaApp> decode(std::string_view text);

}  // namespace launcher

#endif  // LAUNCHER_INIT_JAVA_APP_H_
