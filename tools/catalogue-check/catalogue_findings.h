// What a configuration text can get wrong although it decodes, so that the launcher can never start
// its application: class names FindClass cannot take, options JNI_CreateJavaVM refuses, and a
// misspelt field name (the decoder ignores unknown keys, so such a field is reported missing, or
// silently lost when the field is also written correctly). Used by launcher-catalogue-check, and so
// by the build's catalogue check.
#ifndef LAUNCHER_TOOLS_CATALOGUE_CHECK_CATALOGUE_FINDINGS_H_
#define LAUNCHER_TOOLS_CATALOGUE_CHECK_CATALOGUE_FINDINGS_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace launcher {

// One thing to change, at the first byte of the value or key it concerns: `line` is 1 plus the
// line feeds before that byte, `column` 1 plus the bytes between the last of them and that byte.
// `message` says what is wrong and ends with what to write instead.
struct Finding {
  std::size_t line;
  std::size_t column;
  std::string message;
};

// The findings for `text`, in text order. Keys of the object form are looked at whenever the text
// is syntactically a JSON object, so a misspelt field is named even when the decoder reports the
// field as missing; class names and options only when the text decodes. A text that is not JSON
// has no findings (the decoder's message says what is wrong).
std::vector<Finding> find_unstartable(std::string_view text);

// Optimal-string-alignment distance: insertions, deletions, substitutions and swaps of two
// adjacent bytes each count 1.
std::size_t edit_distance(std::string_view a, std::string_view b);

}  // namespace launcher

#endif  // LAUNCHER_TOOLS_CATALOGUE_CHECK_CATALOGUE_FINDINGS_H_
