// The deployment data compiled into the launcher: the white-box table set and the encrypted
// distribution key. Their contents are generated at build time from files chosen when the build is
// configured, so no deployment's tables or key live in the source tree.
#include "aes_whitebox_tables.h"

#include <cstring>

#include "aes_whitebox.h"

namespace {

constexpr int Nr = 14;

const uint8_t GXor[Nr - 1][96][16][16] =
#include "gxor.inc"
    ;
const uint32_t GTyboxes[Nr - 1][16][256] =
#include "gtyboxes.inc"
    ;
const uint8_t GTboxesLast[16][256] =
#include "gtboxeslast.inc"
    ;
const uint32_t GMBL[Nr - 1][16][256] =
#include "gmbl.inc"
    ;

const uint8_t distKey[48] =
#include "distkey.inc"
    ;

}  // namespace

extern "C" {

void distributionkey(uint8_t out[48]) { std::memcpy(out, distKey, sizeof distKey); }

}  // extern "C"
