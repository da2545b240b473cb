// The operating system's generator on Windows: BCryptGenRandom with the system-preferred RNG.
#include <windows.h>
// bcrypt.h relies on the types windows.h declares, so it must come after it.
#include <bcrypt.h>

#include <climits>

#include "random_source.h"

namespace whitebox {

bool FillFromOperatingSystem(uint8_t* out, size_t length) {
  while (length > 0) {
    const ULONG chunk = length > ULONG_MAX ? ULONG_MAX : static_cast<ULONG>(length);
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, out, chunk, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
      return false;
    }
    out += chunk;
    length -= chunk;
  }
  return true;
}

}  // namespace whitebox
