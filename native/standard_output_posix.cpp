#include <cstdio>

#include "standard_output.h"

// POSIX streams never translate line ends, and a process always has its three descriptors (a
// closed one only makes writes fail).
void prepare_standard_output() {}

// Through the C library's stream, flushed at once, so that it stays in order with anything else
// the process writes there; stdio locks the stream for each call.
void write_standard_stream(StandardStream stream, const char* bytes, size_t size) {
  FILE* file = stream == StandardStream::kOutput ? stdout : stderr;
  std::fwrite(bytes, 1, size, file);
  std::fflush(file);
}
