// The launcher's trace: the lines it writes on standard output to show how far start-up got.
#ifndef LAUNCHER_NATIVE_TRACE_H_
#define LAUNCHER_NATIVE_TRACE_H_

#include <cstdarg>

namespace launcher {

// Writes like printf to standard output, then flushes it. Every piece of the trace is therefore in
// the stream as soon as it is written: in its true order with what the JVM and the hosted
// application write to the same stream through their own handles, and kept when the process is
// killed a moment later. An explicit flush because the Windows C runtime has no line buffering
// (_IOLBF means full buffering there). Safe to call from any thread.
[[gnu::format(printf, 1, 2)]] void trace(const char* format, ...);

// trace with a va_list. REQUIRES: `args` matches `format`.
[[gnu::format(printf, 1, 0)]] void vtrace(const char* format, va_list args);

}  // namespace launcher

#endif  // LAUNCHER_NATIVE_TRACE_H_
