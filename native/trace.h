// The launcher's trace: the lines it writes on standard output to show how far start-up got, and
// its few diagnostics on standard error.
#ifndef LAUNCHER_NATIVE_TRACE_H_
#define LAUNCHER_NATIVE_TRACE_H_

#include <cstdarg>

namespace launcher {

// Formats like printf and hands the whole text to write_standard_stream in one call, never to a
// buffer: the Windows C runtime has no line buffering (_IOLBF means full buffering there).
// Safe to call from any thread; nothing is reported when standard output cannot be written.
[[gnu::format(printf, 1, 2)]] void trace(const char* format, ...);

// trace with a va_list. REQUIRES: `args` matches `format`.
[[gnu::format(printf, 1, 0)]] void vtrace(const char* format, va_list args);

// trace, to standard error.
[[gnu::format(printf, 1, 2)]] void trace_error(const char* format, ...);

}  // namespace launcher

#endif  // LAUNCHER_NATIVE_TRACE_H_
