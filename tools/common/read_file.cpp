#include "read_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tools_common {

std::optional<std::string> ReadFile(const std::string& path) {
  std::string reason;
  return ReadFile(path, reason);
}

std::optional<std::string> ReadFile(const std::string& path, std::string& reason) {
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored)) {
    reason = "it is a folder, not a file";
    return std::nullopt;
  }
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    reason = std::strerror(errno);
    return std::nullopt;
  }
  auto data = ReadStream(file, reason);
  std::fclose(file);
  return data;
}

std::optional<std::string> ReadStream(std::FILE* stream, std::string& reason) {
  std::string data;
  char buffer[1 << 16];
  size_t n = 0;
  errno = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, stream)) > 0) data.append(buffer, n);
  if (std::ferror(stream) != 0) {
    reason = errno != 0 ? std::strerror(errno) : "the read did not complete";
    return std::nullopt;
  }
  return data;
}

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path) {
  const auto data = ReadFile(path);
  if (!data) return std::nullopt;
  return std::vector<uint8_t>(data->begin(), data->end());
}

}  // namespace tools_common
