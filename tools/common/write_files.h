// Several files written as one: all of them, or none.
#ifndef LAUNCHER_TOOLS_COMMON_WRITE_FILES_H_
#define LAUNCHER_TOOLS_COMMON_WRITE_FILES_H_

#include <string>
#include <utility>
#include <vector>

namespace tools_common {

// (path, contents) of one file to write.
using FileToWrite = std::pair<std::string, std::string>;

// Writes every file of `files`, or none of them: each is first written whole to a temporary file
// beside its target (the target's name followed by ".partial"), and only once all of them are
// written are they renamed onto their targets, so that a file that cannot be written (a missing
// folder, a full disk, a target that is a folder) leaves every target as it was and no temporary
// file behind. Returns "" on success, else why the first file that failed could not be written,
// naming it: "cannot write PATH: REASON" with the system's reason, or what is wrong with the path.
// A rename that fails after others succeeded (which the checks before it rule out on one file
// system) is reported the same way.
std::string WriteFilesAllOrNothing(const std::vector<FileToWrite>& files);

}  // namespace tools_common

#endif  // LAUNCHER_TOOLS_COMMON_WRITE_FILES_H_
