// The deployment's constant data: the encrypted distribution key handed to the hosted application.
// The white-box table set compiled in beside it is private to its source file and reaches the
// cipher only through initializeCipher at process start.
#ifndef LAUNCHER_NATIVE_AES_WHITEBOX_TABLES_H_
#define LAUNCHER_NATIVE_AES_WHITEBOX_TABLES_H_

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Copies the 48-byte encrypted distribution key into `out` (48 bytes, caller-owned).
void distributionkey(uint8_t out[48]);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // LAUNCHER_NATIVE_AES_WHITEBOX_TABLES_H_
