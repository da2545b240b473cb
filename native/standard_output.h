// The process's standard output and standard error as the launcher writes them: the same bytes on
// every platform, whatever handles the process was started with.
#ifndef LAUNCHER_NATIVE_STANDARD_OUTPUT_H_
#define LAUNCHER_NATIVE_STANDARD_OUTPUT_H_

#include <cstddef>

// Prepares the standard streams. On Windows a GUI program may start without standard handles
// (from Explorer, a shortcut, or a parent that passes none). Iff standard output then has no
// usable handle and the parent process has a console (a terminal started the launcher without
// redirection), the process attaches to that console and makes it its standard output, and its
// standard error too where that has no usable handle either, so that the hosted JVM's System.out
// and System.err reach the console as well. A usable handle (redirected or inherited) is never
// replaced, and no console of the process's own is ever created.
// On POSIX systems it makes the C library's standard output unbuffered, so that text written
// through stdio cannot be held back and overtaken by the trace.
// REQUIRES: called before anything is written to standard output or standard error, and before
// the JVM library is loaded.
void prepare_standard_output();

enum class StandardStream { kOutput, kError };

// Writes `size` bytes to `stream` at once, unbuffered and untranslated ("\n" stays one line
// feed). Every byte reaches the stream, in order, before this returns: a partial write is resumed,
// a write interrupted by a signal is repeated, and a POSIX descriptor in non-blocking mode is
// waited on until it takes more. Bytes are lost only when the stream fails for good (closed, broken
// pipe, device error), or on Windows when a pipe in non-blocking mode (PIPE_NOWAIT) refuses them.
// Writing to a stream without a usable handle writes nothing and is no error; it never ends the
// process. On Windows, iff the stream has no handle or a write fails, the whole text also goes to
// the debugger output (OutputDebugStringA, in the ANSI code page); where the stream takes it,
// nothing goes there. Safe to call from any thread; the bytes of one call are not interleaved with
// those of another call.
void write_standard_stream(StandardStream stream, const char* bytes, size_t size);

#endif  // LAUNCHER_NATIVE_STANDARD_OUTPUT_H_
