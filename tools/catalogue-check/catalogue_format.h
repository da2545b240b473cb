// Plain-text rendering of decoded configuration records, used by the
// catalogue checker to show exactly which bytes a record holds.
#ifndef LAUNCHER_TOOLS_CATALOGUE_CHECK_CATALOGUE_FORMAT_H_
#define LAUNCHER_TOOLS_CATALOGUE_CHECK_CATALOGUE_FORMAT_H_

#include <string>
#include <string_view>

#include "java_app.h"

namespace launcher {

// Printable ASCII (0x20-0x7E) other than the backslash is kept; every other
// byte, and the backslash, becomes \xHH with two lower-case hex digits. The
// result is therefore printable ASCII and maps back to `bytes` unambiguously.
std::string escape_for_display(std::string_view bytes);

// One line per item, each ending with '\n':
//   jvm_path: V / main_class: V / encrypt_class: V / options: N
// then "option: V" for every option in order, V escaped as above.
std::string format_catalogue_entry(const JavaApp& app);

}  // namespace launcher

#endif  // LAUNCHER_TOOLS_CATALOGUE_CHECK_CATALOGUE_FORMAT_H_
