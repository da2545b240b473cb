#include <cstdlib>
#include <string>

#include "catalogue.h"
#include "launcher.h"
#include "trace.h"
#include "utf8_text.h"

namespace launcher {

void help() { trace("usage:\nlauncher <app>\n    app can be tarn, lum.\n"); }

// Runs the catalogue entry named exactly `command`; any other name gets the usage text and counts
// as success.
Result<void> dispatch(const std::string& command) {
  if (command == "tarn") return tarn();
  if (command == "lum") return lum();
  help();
  return {};
}

}  // namespace launcher

extern "C" int entry(int argc, char** argv) {
  using launcher::trace;
  trace("Absolute value of -3 according to C: %d\n", std::abs(-3));
  if (argc != 2) return 0;
  // An argument that is not UTF-8 names no entry; it is shown with U+FFFD for each bad sequence.
  const std::string command = launcher::utf8_lossy(argv[1]);
  trace("Entry:: %s\n\n", command.c_str());
  const launcher::Result<void> result = launcher::dispatch(command);
  if (!result) {
    trace("Application error: %s\n", result.error().message.c_str());
    return -1;
  }
  return 0;
}
