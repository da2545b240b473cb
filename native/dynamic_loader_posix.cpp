// POSIX loader: dlopen/dlsym.
#include "dynamic_loader.h"

#include <dlfcn.h>

namespace launcher {

void* OpenLibrary(const char* path) { return dlopen(path, RTLD_NOW | RTLD_GLOBAL); }

void* FindSymbol(void* library, const char* name) { return dlsym(library, name); }

}  // namespace launcher
