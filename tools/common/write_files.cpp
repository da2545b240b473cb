#include "write_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tools_common {

namespace {

namespace fs = std::filesystem;

// Why `path` cannot be a file to write, or "" when nothing rules it out before trying.
std::string PathProblem(const std::string& path) {
  std::error_code error;
  if (fs::is_directory(path, error)) return "it is a folder, not a file";
  const fs::path parent = fs::path(path).parent_path();
  if (parent.empty()) return "";
  const fs::file_status status = fs::status(parent, error);
  if (status.type() == fs::file_type::not_found) {
    return "its folder " + parent.string() + " does not exist";
  }
  if (fs::exists(status) && !fs::is_directory(status)) {
    return parent.string() + " is not a folder";
  }
  return "";
}

// Writes `contents` to `path`, replacing it; "" on success, else the system's reason.
std::string WriteOne(const std::string& path, const std::string& contents) {
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return std::strerror(errno);
  const bool wrote = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size();
  const int write_error = errno;
  const bool closed = std::fclose(file) == 0;
  if (wrote && closed) return "";
  const int error = wrote ? errno : write_error;
  return error != 0 ? std::strerror(error) : "the write did not complete";
}

}  // namespace

std::string WriteFilesAllOrNothing(const std::vector<FileToWrite>& files) {
  for (const auto& [path, contents] : files) {
    const std::string problem = PathProblem(path);
    if (!problem.empty()) return "cannot write " + path + ": " + problem;
  }
  std::vector<std::string> written;
  std::string failure;
  for (const auto& [path, contents] : files) {
    const std::string temporary = path + ".partial";
    const std::string reason = WriteOne(temporary, contents);
    if (!reason.empty()) {
      failure = "cannot write " + path + ": " + reason;
      std::error_code ignored;
      fs::remove(temporary, ignored);
      break;
    }
    written.push_back(temporary);
  }
  // Renamed only once every temporary file is whole; what is not renamed is removed.
  size_t renamed = 0;
  for (; failure.empty() && renamed < written.size(); ++renamed) {
    std::error_code error;
    fs::rename(written[renamed], files[renamed].first, error);
    if (error) {
      failure = "cannot write " + files[renamed].first + ": " + error.message();
      break;
    }
  }
  for (size_t i = renamed; i < written.size(); ++i) {
    std::error_code ignored;
    fs::remove(written[i], ignored);
  }
  return failure;
}

}  // namespace tools_common
