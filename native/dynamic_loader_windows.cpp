// Windows loader over LoadLibraryExW/GetProcAddress. LOAD_WITH_ALTERED_SEARCH_PATH makes the loader
// search the folder of the library itself (not the executable's) for the DLLs it imports, which is
// how jvm.dll finds its sibling runtime DLLs; that flag is only defined for an absolute path, so a
// relative path is first resolved against the current directory. A failure's reason is the system
// error code with its message, the form in which a user can look it up.
//
// A Java runtime keeps the C library that jvm.dll imports (msvcr100.dll, vcruntime140.dll...) in
// its bin folder, one above bin\client\jvm.dll, where that search never looks; on a Windows without
// a system-wide copy the library would not load. So the load first runs with the folder above the
// library's own as the DLL directory (SetDllDirectoryW), which makes the search order: the
// library's folder, then that folder, then the system folders and PATH. The current folder drops
// out of that order, so a load that fails for want of a module is tried once more exactly as
// before; nothing that loaded before stops loading, and the runtime's own folders come before the
// current folder and PATH. The DLL directory is reset before the JVM runs any code of its own
// beyond its DllMain: the libraries the JVM and the hosted application load later
// (System.loadLibrary) are searched in the system's default order, and find the runtime's C library
// already loaded. The launcher starts no threads, so no other load can see the DLL directory.
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

// `wide` in UTF-8.
std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string narrow(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), narrow.data(), length,
                      nullptr, nullptr);
  return narrow;
}

// "error <code>: <the system's message for it>", on one line.
std::string SystemError(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring message = length > 0 && buffer != nullptr ? std::wstring(buffer, length) : L"";
  if (buffer != nullptr) LocalFree(buffer);
  // The system's messages end in a line end; one line is wanted.
  while (!message.empty() &&
         (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ')) {
    message.pop_back();
  }
  std::string text = "error " + std::to_string(code);
  if (!message.empty()) text += ": " + Narrow(message);
  return text;
}

// The folder that holds the folder of the file at `full` (an absolute path as GetFullPathNameW
// gives it); empty iff there is none (a file in a root folder).
std::wstring GrandparentFolder(const std::wstring& full) {
  const size_t file = full.find_last_of(L"\\/");
  if (file == std::wstring::npos || file == 0) return std::wstring();
  const size_t folder = full.find_last_of(L"\\/", file - 1);
  if (folder == std::wstring::npos) return std::wstring();
  std::wstring grandparent = full.substr(0, folder);
  // "C:" alone names the current folder of drive C; its root is meant.
  if (grandparent.size() == 2 && grandparent[1] == L':') grandparent += L'\\';
  return grandparent;
}

// LoadLibraryExW of `full`, with `folder` as the DLL directory for that call where it can be set;
// nullptr, with the system's error code set, iff it does not load.
HMODULE LoadWithDllDirectory(const std::wstring& full, const std::wstring& folder) {
  const bool directory_set = SetDllDirectoryW(folder.c_str()) != FALSE;
  HMODULE library = LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (directory_set) {
    const DWORD error = GetLastError();
    SetDllDirectoryW(nullptr);
    SetLastError(error);
  }
  return library;
}

}  // namespace

void* OpenLibrary(const char* path, std::string* error) {
  if (path == nullptr || *path == '\0') {
    *error = "the library path is empty";
    return nullptr;
  }
  std::wstring wide = Widen(path, CP_UTF8, MB_ERR_INVALID_CHARS);
  if (wide.empty()) wide = Widen(path, CP_ACP, 0);
  if (wide.empty()) {
    *error = "the library path is neither UTF-8 nor text of the ANSI code page";
    return nullptr;
  }
  const std::wstring full = FullPath(wide);
  if (full.empty()) {
    *error = SystemError(GetLastError());
    return nullptr;
  }
  const std::wstring runtime_folder = GrandparentFolder(full);
  HMODULE library = runtime_folder.empty()
                        ? LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)
                        : LoadWithDllDirectory(full, runtime_folder);
  if (library == nullptr && !runtime_folder.empty() && GetLastError() == ERROR_MOD_NOT_FOUND) {
    library = LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  if (library == nullptr) *error = SystemError(GetLastError());
  return library;
}

void* FindSymbol(void* library, const char* name, std::string* error) {
  FARPROC symbol = GetProcAddress(static_cast<HMODULE>(library), name);
  if (symbol == nullptr) *error = SystemError(GetLastError());
  return reinterpret_cast<void*>(symbol);
}

}  // namespace launcher
