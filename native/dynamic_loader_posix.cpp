// POSIX loader: dlopen/dlsym, with dlerror's text as the reason for a failure.
#include "dynamic_loader.h"

#include <dlfcn.h>

namespace launcher {

namespace {

// dlerror's text for the failure just seen on this thread. dlerror may return null when the
// failure left no message (a symbol whose value is null); the reason then says so.
std::string LoaderError(const char* fallback) {
  const char* message = dlerror();
  return message != nullptr ? std::string(message) : std::string(fallback);
}

}  // namespace

void* OpenLibrary(const char* path, std::string* error) {
  dlerror();  // clear a message left by an earlier call
  void* library = dlopen(path, RTLD_NOW | RTLD_GLOBAL);
  if (library == nullptr) *error = LoaderError("dlopen failed without a reason");
  return library;
}

void* FindSymbol(void* library, const char* name, std::string* error) {
  dlerror();
  void* symbol = dlsym(library, name);
  if (symbol == nullptr) *error = LoaderError("the symbol's address is null");
  return symbol;
}

}  // namespace launcher
