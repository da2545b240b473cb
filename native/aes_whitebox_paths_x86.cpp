// The vector paths of an x86 build (32- or 64-bit): the AVX2 and AVX-512 VBMI kernels, each taken
// only on a processor that has its instruction set.
#include "aes_whitebox_kernels.h"

namespace launcher_cipher {

namespace {

// min_batch, measured on the development machine: one block through the scalar evaluation takes
// about a fourteenth of a 32-lane AVX2 group and a little over a fourth of a 64-lane AVX-512 group
// (in 32- and 64-bit processes alike).
constexpr BatchPath kAvx2 = {EvaluateBlocksAvx2, 32, 14};
constexpr BatchPath kAvx512Vbmi = {EvaluateBlocksAvx512Vbmi, 64, 5};

}  // namespace

const BatchPath* BatchPathFor(CipherPath path) {
  __builtin_cpu_init();
  switch (path) {
    case CipherPath::kAvx2:
      return __builtin_cpu_supports("avx2") ? &kAvx2 : nullptr;
    case CipherPath::kAvx512Vbmi:
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                     __builtin_cpu_supports("avx512vbmi")
                 ? &kAvx512Vbmi
                 : nullptr;
    case CipherPath::kDefinition:
    case CipherPath::kPortable:
      break;
  }
  return nullptr;
}

}  // namespace launcher_cipher
