// Turning command-line bytes into text.
#ifndef LAUNCHER_LIB_UTF8_TEXT_H_
#define LAUNCHER_LIB_UTF8_TEXT_H_

#include <string>
#include <string_view>

namespace launcher {

// Returns `bytes` as UTF-8 text: valid UTF-8 is kept unchanged, and each maximal ill-formed
// subsequence (Unicode's "maximal subpart" practice, as in the WHATWG decoder) becomes one U+FFFD.
// The result is always valid UTF-8.
std::string utf8_lossy(std::string_view bytes);

}  // namespace launcher

#endif  // LAUNCHER_LIB_UTF8_TEXT_H_
