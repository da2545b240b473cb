// What a configuration text can get wrong although it decodes, so that the launcher can never start
// its application: a jvm_path naming a folder, class names FindClass cannot take, options
// JNI_CreateJavaVM refuses, and a misspelt field name (the decoder ignores unknown keys, so such a
// field is reported missing, or silently lost when the field is also written correctly). Used by
// launcher-catalogue-check, and so by the build's catalogue check.
#ifndef LAUNCHER_TOOLS_CATALOGUE_CHECK_CATALOGUE_FINDINGS_H_
#define LAUNCHER_TOOLS_CATALOGUE_CHECK_CATALOGUE_FINDINGS_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "java_app.h"
#include "result.h"

namespace launcher {

// One thing to change, at the first byte of the value or key it concerns, positioned as the
// decoder's messages are (json::position_after), so that byte counts as consumed: `line` is 1 plus
// the line feeds before it, `column` its place on that line, from 1. `message` says what is wrong
// and ends with what to write instead.
struct Finding {
  std::size_t line;
  std::size_t column;
  std::string message;
};

// What the checker makes of one text, from one reading of it: the decoder's result, and the
// findings in text order.
struct CatalogueCheck {
  Result<JavaApp> app;
  std::vector<Finding> findings;
};

// Decodes `text`, with what decode reports as it reads (DecodeObserver) giving the findings.
// Keys of the object form are looked at whenever the decoder reads the object to its closing
// brace, so a misspelt field is named even when the decoder then reports the field as missing; the
// path, class names and options only when the text decodes. A text that the decoder stops reading
// earlier has no findings (its message says what is wrong). A jvm_path is judged only when it is
// absolute on this host and names something this host sees.
CatalogueCheck check_catalogue_text(std::string_view text);

// Optimal-string-alignment distance: insertions, deletions, substitutions and swaps of two
// adjacent bytes each count 1.
std::size_t edit_distance(std::string_view a, std::string_view b);

}  // namespace launcher

#endif  // LAUNCHER_TOOLS_CATALOGUE_CHECK_CATALOGUE_FINDINGS_H_
