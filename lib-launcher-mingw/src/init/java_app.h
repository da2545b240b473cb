// The launcher's configuration record and its strict JSON decoder.
#ifndef LAUNCHER_INIT_JAVA_APP_H_
#define LAUNCHER_INIT_JAVA_APP_H_

#include <array>
#include <cstddef>
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

// The record's members as the JSON text names them, in declared order, which is also the order of
// the array form; a field index below is an index into this list.
inline constexpr std::array<std::string_view, 4> kFieldNames = {"jvm_path", "main_class",
                                                                "encrypt_class", "options"};
inline constexpr std::size_t kJvmPath = 0;
inline constexpr std::size_t kMainClass = 1;
inline constexpr std::size_t kEncryptClass = 2;
// The field index of a key that names no member: its value is checked and ignored.
inline constexpr std::size_t kIgnoredKey = kFieldNames.size();

// Told by decode, as it reads, where the parts of the record stand in the text, so that a tool can
// point at them without reading the text again. Offsets count bytes from the start of the text.
// Calls come in text order and stop where decoding stops: after a failure nothing more is reported,
// so a part after the point of failure is never named.
class DecodeObserver {
 public:
  // A key of the object form, escapes decoded, whose opening quote is at `offset`; `field` is its
  // index, kIgnoredKey for a key that names no member. Reported before the key is judged (a
  // repeated field's key included).
  virtual void key(std::string_view key, std::size_t field, std::size_t offset) = 0;
  // The value of field `field` begins at `offset`, the first byte after the whitespace where it is
  // due (a byte that begins no value there fails decoding right after).
  virtual void value(std::size_t field, std::size_t offset) = 0;
  // Element `index` of `options` begins at `offset`, in the same sense.
  virtual void option(std::size_t index, std::size_t offset) = 0;
  // The record's closing brace (object form) or bracket (array form) was read: every key and value
  // of the record has been reported. Reported before the record is judged complete.
  virtual void closed() = 0;

 protected:
  ~DecodeObserver() = default;
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
//
// `observer`, when given, is told what is read (see DecodeObserver); it changes nothing in the
// result, and without it decoding does no extra work.
Result<JavaApp> decode(std::string_view text, DecodeObserver* observer = nullptr);

}  // namespace launcher

#endif  // LAUNCHER_INIT_JAVA_APP_H_
