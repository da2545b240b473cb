// The launcher's trace: the lines it writes on standard output to show how far start-up got, and
// its few diagnostics on standard error.
#ifndef LAUNCHER_NATIVE_TRACE_H_
#define LAUNCHER_NATIVE_TRACE_H_

#include <cstdarg>

namespace launcher {

// Formats like printf and writes the text to standard output at once, in one write: it is in the
// stream as soon as this returns, in its true order with what the JVM and the hosted application
// write to the same stream through their own handles, and kept when the process is killed a moment
// later. (An explicit write because the Windows C runtime has no line buffering: _IOLBF means full
// buffering there.) The whole text is written, however long, whatever signals arrive meanwhile and
// even when standard output is in non-blocking mode (write_standard_stream). Safe to call from any
// thread; a text from one call is never split by another's. Nothing is reported when standard
// output cannot be written.
[[gnu::format(printf, 1, 2)]] void trace(const char* format, ...);

// trace with a va_list. REQUIRES: `args` matches `format`.
[[gnu::format(printf, 1, 0)]] void vtrace(const char* format, va_list args);

// trace, to standard error.
[[gnu::format(printf, 1, 2)]] void trace_error(const char* format, ...);

}  // namespace launcher

#endif  // LAUNCHER_NATIVE_TRACE_H_
