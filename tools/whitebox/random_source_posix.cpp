// The operating system's generator on Linux and other POSIX systems: getrandom(2) where it exists,
// /dev/urandom otherwise.
#include "random_source.h"

#include <cerrno>
#include <cstdio>

#if defined(__linux__)
#include <sys/random.h>
#endif

namespace whitebox {

bool FillFromOperatingSystem(uint8_t* out, size_t length) {
#if defined(__linux__)
  size_t done = 0;
  while (done < length) {
    const ssize_t n = getrandom(out + done, length - done, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;  // e.g. ENOSYS on an old kernel: fall back to the device
    }
    done += static_cast<size_t>(n);
  }
  if (done == length) return true;
#endif
  std::FILE* device = std::fopen("/dev/urandom", "rb");
  if (device == nullptr) return false;
  const bool complete = std::fread(out, 1, length, device) == length;
  std::fclose(device);
  return complete;
}

}  // namespace whitebox
