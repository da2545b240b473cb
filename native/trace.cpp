#include "trace.h"

#include <cstdio>

namespace launcher {

void vtrace(const char* format, va_list args) {
  std::vprintf(format, args);
  std::fflush(stdout);
}

void trace(const char* format, ...) {
  va_list args;
  va_start(args, format);
  vtrace(format, args);
  va_end(args);
}

}  // namespace launcher
