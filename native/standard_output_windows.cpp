#include "standard_output.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

#include <string>

// The launcher writes its streams with WriteFile on the process's standard handles, not through
// the C runtime: a GUI program started without handles has C runtime streams without a valid
// descriptor, on which _fileno, _setmode and writes may raise the runtime's invalid-parameter
// handler (which ends the process), and which cannot be reopened on a console later in every
// runtime. The standard handles are also what the JVM's own runtime writes through.

namespace {

// Held for the whole of one text, resumptions after a partial WriteFile included, so that no other
// thread's text falls inside it: one WriteFile is not always kept whole (under wine, a standard
// output that is a pipe of the host system keeps a write whole only up to PIPE_BUF bytes).
// SRWLOCK_INIT is a constant, so the lock is ready before any constructor runs and needs no
// clean-up at exit, whatever order the process's static objects are built and destroyed in.
SRWLOCK write_lock = SRWLOCK_INIT;

// Whether `handle` refers to something that can be written: a file, pipe, console or device.
bool Usable(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  SetLastError(NO_ERROR);
  return GetFileType(handle) != FILE_TYPE_UNKNOWN || GetLastError() == NO_ERROR;
}

// Attaches to the parent's console; true iff the process now has a console. ERROR_ACCESS_DENIED
// means the process is attached to one already.
bool AttachParentConsole() {
  return AttachConsole(ATTACH_PARENT_PROCESS) || GetLastError() == ERROR_ACCESS_DENIED;
}

// Makes the console the standard handle `which`, and the C runtime's `stream` too where the
// runtime allows it (for code that writes through the C runtime). Returns whether `stream` now has
// a descriptor open on the console. A stream whose descriptor was never opened (some runtimes give
// it -2) is reopened; one that claims a descriptor is left alone, since closing that descriptor is
// itself one of the calls that may raise the invalid-parameter handler.
bool UseConsole(DWORD which, FILE* stream) {
  HANDLE console =
      CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (console == INVALID_HANDLE_VALUE) return false;
  SetStdHandle(which, console);
  return _fileno(stream) < 0 && freopen("CONOUT$", "w", stream) != nullptr;
}

// Shows `size` bytes of UTF-8 text to a debugger (DebugView, or one attached to the process). A GUI
// program started from Explorer or a shortcut has no standard handles; this is then the only place
// where a support engineer can see how far start-up got and why it stopped. The text goes in the
// ANSI code page through OutputDebugStringA: that is the form Windows itself hands a debugger that
// does not ask for wide strings (DebugView, the DBWIN buffer) when OutputDebugStringW is called,
// and wine's OutputDebugStringW reaches no debugger at all.
void ShowToDebugger(const char* bytes, size_t size) {
  if (size == 0 || size > 0x7fffffff) return;
  const int length = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size), nullptr, 0);
  if (length <= 0) return;
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size), wide.data(), length);
  const int ansi_length =
      WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (ansi_length <= 0) return;
  std::string ansi(static_cast<size_t>(ansi_length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), length, ansi.data(), ansi_length, nullptr, nullptr);
  OutputDebugStringA(ansi.c_str());
}

}  // namespace

void prepare_standard_output() {
  const bool output_usable = Usable(GetStdHandle(STD_OUTPUT_HANDLE));
  const bool error_usable = Usable(GetStdHandle(STD_ERROR_HANDLE));
  // The C runtime's standard output has an open descriptor iff the process had a usable handle at
  // start, or the stream was reopened on the console.
  bool runtime_output_open = output_usable;
  if (!output_usable && AttachParentConsole()) {
    runtime_output_open = UseConsole(STD_OUTPUT_HANDLE, stdout);
    if (!error_usable) UseConsole(STD_ERROR_HANDLE, stderr);
  }
  // Text mode would write "\n" as CR LF for code that writes through the C runtime; _setmode is
  // called only on an open descriptor.
  if (runtime_output_open) _setmode(_fileno(stdout), _O_BINARY);
}

void write_standard_stream(StandardStream stream, const char* bytes, size_t size) {
  HANDLE handle =
      GetStdHandle(stream == StandardStream::kOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
    ShowToDebugger(bytes, size);
    return;
  }
  const char* const text = bytes;
  const size_t text_size = size;
  AcquireSRWLockExclusive(&write_lock);
  while (size > 0) {
    DWORD written = 0;
    const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    if (!WriteFile(handle, bytes, chunk, &written, nullptr) || written == 0) break;
    bytes += written;
    size -= written;
  }
  ReleaseSRWLockExclusive(&write_lock);
  // The whole text, not only what the stream refused: a fragment would be unreadable.
  if (size > 0) ShowToDebugger(text, text_size);
}
