// Starts a program the way Explorer or a terminal starts a GUI program, and reports what became of
// it, for tests of how launcher.exe deals with its standard handles.
//   start_without_console <report-file> detached <program> [argument...]
//     The program gets no console and no standard handles at all (nothing is inherited), as when
//     started from Explorer or a shortcut.
//   start_without_console <report-file> console <program> [argument...]
//     Run from a terminal (a console), starts the program without passing it any handle, as a
//     terminal starts a GUI program: the program's output reaches the terminal only if the
//     program attaches to its parent's console.
// The report file receives "exit status N" once the program has ended. Exit status: 0 when the
// report was written, 2 on misuse or failure.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::wstring Quoted(const wchar_t* argument) { return std::wstring(L"\"") + argument + L"\""; }

bool WriteReport(const wchar_t* path, const std::wstring& report) {
  FILE* file = _wfopen(path, L"wb");
  if (file == nullptr) return false;
  const int length = WideCharToMultiByte(CP_UTF8, 0, report.data(), static_cast<int>(report.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, report.data(), static_cast<int>(report.size()), bytes.data(),
                      length, nullptr, nullptr);
  const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return fclose(file) == 0 && written;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    fwprintf(stderr, L"usage: %ls <report-file> detached|console <program> [argument...]\n",
             argv[0]);
    return 2;
  }
  const std::wstring mode = argv[2];
  if (mode != L"detached" && mode != L"console") {
    fwprintf(stderr, L"unknown mode %ls\n", argv[2]);
    return 2;
  }
  std::wstring command = Quoted(argv[3]);
  for (int i = 4; i < argc; ++i) command += L" " + Quoted(argv[i]);

  const DWORD flags = mode == L"detached" ? DETACHED_PROCESS : 0;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  // Explicitly no standard handles: without this flag a child may be given copies of the
  // parent's console handles.
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = nullptr;
  startup.hStdError = nullptr;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                      &startup, &process)) {
    fwprintf(stderr, L"CreateProcess failed: %lu\n", GetLastError());
    return 2;
  }
  WaitForSingleObject(process.hProcess, 120000);
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);

  return WriteReport(argv[1], L"exit status " + std::to_wstring(static_cast<int>(status)) + L"\n")
             ? 0
             : 2;
}
