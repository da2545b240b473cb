// The applications the launcher can start, each with a built-in JSON configuration.
#ifndef LAUNCHER_LIB_CATALOGUE_H_
#define LAUNCHER_LIB_CATALOGUE_H_

#include <string_view>

#include "result.h"

namespace launcher {

// Each entry decodes its configuration and, if that succeeds, starts the application (see
// start_java_application). Fails iff the configuration cannot be decoded; the error carries the
// decoder's message. Success says nothing about whether the VM could be started.
Result<void> tarn();  // the main application
Result<void> lum();   // its administration application

// The built-in configuration text of catalogue entry `name`, byte for byte; empty for an unknown
// name. Defined by the source generated for each catalogue from catalogue_text.cpp.in.
std::string_view catalogue_text(std::string_view name);

}  // namespace launcher

#endif  // LAUNCHER_LIB_CATALOGUE_H_
