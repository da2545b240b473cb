#include "read_file.h"

#include <cstdio>

namespace tools_common {

std::optional<std::string> ReadFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::nullopt;
  std::string data;
  char buffer[1 << 16];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) data.append(buffer, n);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  return data;
}

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path) {
  const auto data = ReadFile(path);
  if (!data) return std::nullopt;
  return std::vector<uint8_t>(data->begin(), data->end());
}

}  // namespace tools_common
