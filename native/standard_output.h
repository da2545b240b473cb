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
// REQUIRES: called before anything is written to standard output or standard error, and before
// the JVM library is loaded.
void prepare_standard_output();

enum class StandardStream { kOutput, kError };

// Writes `size` bytes to `stream` at once, unbuffered and untranslated ("\n" stays one line
// feed). Writing to a stream without a usable handle writes nothing and is no error; it never ends
// the process. Safe to call from any thread.
void write_standard_stream(StandardStream stream, const char* bytes, size_t size);

#endif  // LAUNCHER_NATIVE_STANDARD_OUTPUT_H_
