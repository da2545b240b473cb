// Private to the cipher and its tests: which evaluation of the network the stream modes use.
// initializeCipher picks the fastest one the processor supports; tests force each one in turn.
#ifndef LAUNCHER_NATIVE_AES_WHITEBOX_INTERNAL_H_
#define LAUNCHER_NATIVE_AES_WHITEBOX_INTERNAL_H_

namespace launcher_cipher {

enum class CipherPath {
  kDefinition,  // the network as defined, one table read at a time: never chosen, the baseline
  kPortable,    // scalar code only
  kAvx2,        // 32 blocks at a time, 16-entry vpshufb row lookups
  kAvx512Vbmi,  // 64 blocks at a time, 128-entry vpermi2b lookups
};

// Makes the stream modes use `path` from now on. Returns false, changing nothing, when this build
// or this processor lacks it. With `batch_every_count` the vector kernels also take runs of blocks
// too short to pay off (down to one block), which production never does. Not thread-safe: call it
// only while no mode function runs. A later initializeCipher chooses afresh.
bool SetCipherPathForTesting(CipherPath path, bool batch_every_count = false);

CipherPath ActiveCipherPath();

}  // namespace launcher_cipher

#endif  // LAUNCHER_NATIVE_AES_WHITEBOX_INTERNAL_H_
