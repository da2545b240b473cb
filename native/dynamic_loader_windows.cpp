// Windows loader over LoadLibraryExW/GetProcAddress. LOAD_WITH_ALTERED_SEARCH_PATH makes the loader
// search the folder of the library itself (not the executable's) for the DLLs it imports, which is
// how jvm.dll finds its sibling runtime DLLs; that flag is only defined for an absolute path, so a
// relative path is first resolved against the current directory.
#include "dynamic_loader.h"

#include <windows.h>

#include <string>

namespace launcher {

namespace {

// `text` converted from `code_page` to UTF-16; empty iff it is empty or not valid in `code_page`.
std::wstring Widen(const char* text, UINT code_page, DWORD flags) {
  const int length = MultiByteToWideChar(code_page, flags, text, -1, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  if (MultiByteToWideChar(code_page, flags, text, -1, wide.data(), length) != length) {
    return std::wstring();
  }
  wide.resize(static_cast<size_t>(length) - 1);  // drop the terminator the count included
  return wide;
}

// `path` made absolute against the current directory; empty on failure.
std::wstring FullPath(const std::wstring& path) {
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return std::wstring();
  std::wstring full(needed, L'\0');
  const DWORD written = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (written == 0 || written >= needed) return std::wstring();
  full.resize(written);
  return full;
}

}  // namespace

void* OpenLibrary(const char* path) {
  if (path == nullptr || *path == '\0') return nullptr;
  std::wstring wide = Widen(path, CP_UTF8, MB_ERR_INVALID_CHARS);
  if (wide.empty()) wide = Widen(path, CP_ACP, 0);
  if (wide.empty()) return nullptr;
  const std::wstring full = FullPath(wide);
  if (full.empty()) return nullptr;
  return LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void* FindSymbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

}  // namespace launcher
