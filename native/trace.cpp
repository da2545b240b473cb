#include "trace.h"

#include <cstdio>
#include <string>

#include "standard_output.h"

namespace launcher {

namespace {

// The text `format` and `args` give. An output error formats as nothing.
std::string Format(const char* format, va_list args) {
  char small[256];
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (length < 0) return std::string();
  if (static_cast<size_t>(length) < sizeof small) return std::string(small, length);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format, args);
  text.resize(static_cast<size_t>(length));
  return text;
}

void Write(StandardStream stream, const char* format, va_list args) {
  const std::string text = Format(format, args);
  write_standard_stream(stream, text.data(), text.size());
}

}  // namespace

void vtrace(const char* format, va_list args) { Write(StandardStream::kOutput, format, args); }

void trace(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Write(StandardStream::kOutput, format, args);
  va_end(args);
}

void trace_error(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Write(StandardStream::kError, format, args);
  va_end(args);
}

}  // namespace launcher
