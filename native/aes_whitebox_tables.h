// The deployment's constant data: the encrypted distribution key handed to the hosted application.
// The white-box table set compiled in beside it is private to its source file and reaches the
// cipher only through initializeCipher at process start.
#ifndef LAUNCHER_NATIVE_AES_WHITEBOX_TABLES_H_
#define LAUNCHER_NATIVE_AES_WHITEBOX_TABLES_H_

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// The size in bytes of the encrypted distribution key. The build checks the configured key file
// against LAUNCHER_DISTRIBUTION_KEY_SIZE, which it passes to every compilation of this header.
enum { kDistributionKeySize = 48 };
#ifdef __cplusplus
static_assert(kDistributionKeySize == LAUNCHER_DISTRIBUTION_KEY_SIZE,
              "the build's LAUNCHER_DISTRIBUTION_KEY_SIZE (CMakeLists.txt) differs");
#endif

// Copies the encrypted distribution key into `out` (kDistributionKeySize bytes, caller-owned).
void distributionkey(uint8_t out[kDistributionKeySize]);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // LAUNCHER_NATIVE_AES_WHITEBOX_TABLES_H_
