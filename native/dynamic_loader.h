// Loads a shared library at run time and looks up its exported functions, over the platform's own
// loader. The launcher uses it to reach the JVM library named by its configuration without linking
// against any JVM.
#ifndef LAUNCHER_NATIVE_DYNAMIC_LOADER_H_
#define LAUNCHER_NATIVE_DYNAMIC_LOADER_H_

#include <string>

namespace launcher {

// Loads the library at `path` with all its symbols resolved at once and made available to
// libraries loaded later; returns nullptr iff it cannot be loaded, and then sets `*error` to the
// loader's own reason, one line without a line end (dlerror's text; on Windows the system error
// code and its message). `path` is used as given: a relative path is taken against the current
// working directory. On Windows `path` is UTF-8 (or, failing that, the ANSI code page), and the
// libraries it depends on are looked for in its own folder, then in the folder above it (a Java
// runtime's bin folder for bin\client\jvm.dll), then as Windows searches by default. The library
// stays loaded for the life of the process. REQUIRES: error != nullptr.
void* OpenLibrary(const char* path, std::string* error);

// The address of the exported symbol `name` of `library` (a result of OpenLibrary), or nullptr iff
// the library exports no such symbol, and then `*error` is the loader's reason as above.
// REQUIRES: error != nullptr.
void* FindSymbol(void* library, const char* name, std::string* error);

}  // namespace launcher

#endif  // LAUNCHER_NATIVE_DYNAMIC_LOADER_H_
