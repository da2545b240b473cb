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

// Writes `size` bytes to `stream` unbuffered and untranslated ("\n" stays one line feed); every
// byte is in the stream, in order, when this returns, unless the stream fails for good (on Windows
// a pipe in non-blocking mode, PIPE_NOWAIT, that refuses bytes counts as failed).
// A stream without a usable handle takes nothing, which is no error and never ends the process; on
// Windows a text that has no handle to go to, or whose write fails, goes whole to the debugger
// output instead (OutputDebugStringA). Safe to call from any thread; the bytes of one call are not
// interleaved with those of another.
void write_standard_stream(StandardStream stream, const char* bytes, size_t size);

#endif  // LAUNCHER_NATIVE_STANDARD_OUTPUT_H_
