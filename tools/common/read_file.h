// A whole file read into memory.
#ifndef LAUNCHER_TOOLS_COMMON_READ_FILE_H_
#define LAUNCHER_TOOLS_COMMON_READ_FILE_H_

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace tools_common {

// Every byte of the file at `path`, unchanged; nullopt when it cannot be opened or not be read to
// its end (a directory, for one), so that a partial read never passes for the file.
std::optional<std::string> ReadFile(const std::string& path);

// The same, as bytes.
std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path);

// ReadFile, saying why not: on nullopt, `reason` is the system's reason ("No such file or
// directory"...), or "it is a folder, not a file".
std::optional<std::string> ReadFile(const std::string& path, std::string& reason);

// Everything left in an open stream (standard input, for one), read to its end; nullopt, with the
// system's reason, when a read fails.
std::optional<std::string> ReadStream(std::FILE* stream, std::string& reason);

}  // namespace tools_common

#endif  // LAUNCHER_TOOLS_COMMON_READ_FILE_H_
