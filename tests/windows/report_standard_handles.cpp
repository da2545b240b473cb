// A GUI program that writes to the file named by its argument which standard handles it was given,
// so that the tests can show that start_without_console starts a program without any.
#include <windows.h>

#include <cstdio>

namespace {

const char* Describe(DWORD which) {
  HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return "none";
  SetLastError(NO_ERROR);
  const DWORD type = GetFileType(handle);
  if (type == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR) return "unusable";
  return "usable";
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (__argc < 2) return 2;
  FILE* report = std::fopen(__argv[1], "wb");
  if (report == nullptr) return 2;
  std::fprintf(report, "input %s\noutput %s\nerror %s\nconsole %s\n", Describe(STD_INPUT_HANDLE),
               Describe(STD_OUTPUT_HANDLE), Describe(STD_ERROR_HANDLE),
               GetConsoleWindow() != nullptr ? "yes" : "no");
  return std::fclose(report) == 0 ? 0 : 2;
}
