// The deployment data compiled into the launcher: the white-box table set and the encrypted
// distribution key, and the process entry that loads the tables. The data is generated at build
// time from files chosen when the build is configured, so no deployment's tables or key live in the
// source tree. The tables stay private to this file: the cipher sees them only through
// initializeCipher, before any Java code can call into it.
#include "aes_whitebox_tables.h"

#include <cstring>

#include "aes_whitebox.h"
#include "launcher.h"
#include "standard_output.h"
#include "trace.h"

namespace {

// GXor, GTyboxes, GTboxesLast, GMBL and distKey, compiled exactly as the build's check of the
// deployment data compiles them.
#include "aes_whitebox_embedded_tables.h"

}  // namespace

extern "C" {

void distributionkey(uint8_t out[kDistributionKeySize]) {
  std::memcpy(out, distKey, sizeof distKey);
}

}  // extern "C"

#ifndef LAUNCHER_TABLES_WITHOUT_MAIN
int main(int argc, char** argv) {
  prepare_standard_output();
  // argv[0] may be missing when the process was started with an empty argument vector.
  launcher::trace("%s\n", argc > 0 && argv[0] != nullptr ? argv[0] : "");
  launcher::trace("Starting launcher");
  initializeCipher(GXor, GTyboxes, GTboxesLast, GMBL);
  return entry(argc, argv);
}
#endif  // LAUNCHER_TABLES_WITHOUT_MAIN
