// Test host for the VM host: loads the table set of a known key into the cipher, then hands its
// command line to initialize_java_app, whose result becomes the exit status.
//   jvm_test_host <jvm-library> <main-class> <encrypt-class> [vm-option...]
#include <cstdio>

#include "aes_whitebox.h"
#include "jni-adapter.h"
#include "table_set.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s <jvm-library> <main-class> <encrypt-class> [vm-option...]\n",
                 argv[0]);
    return 2;
  }
  const auto key = whitebox::ParseKeyHex(LAUNCHER_TEST_KEY);
  if (!key) {
    std::fprintf(stderr, "bad test key %s\n", LAUNCHER_TEST_KEY);
    return 2;
  }
  const auto tables = whitebox::BuildTableSet(whitebox::Construction::kPlain, *key);
  initializeCipher(tables->xor_tables, tables->tyboxes, tables->tboxes_last, tables->mbl);
  return initialize_java_app(argv[1], argv + 4, argc - 4, argv[2], argv[3]);
}
