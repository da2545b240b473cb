// The vector paths of a build for a processor without vector kernels: none, so the stream modes
// use the scalar evaluation.
#include "aes_whitebox_kernels.h"

namespace launcher_cipher {

const BatchPath* BatchPathFor(CipherPath) { return nullptr; }

}  // namespace launcher_cipher
