// What the build-host table tools share on their command lines: flags, the key, table and key files
// of a fixed size, and refusals on standard error after the program's name.
#ifndef LAUNCHER_TOOLS_WHITEBOX_COMMAND_LINE_H_
#define LAUNCHER_TOOLS_WHITEBOX_COMMAND_LINE_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "table_set.h"

namespace whitebox {

// One flag a command accepts: "--name VALUE", or a lone "--name" when it takes no value.
struct AcceptedFlag {
  const char* name;
  bool takes_value;
  bool required;
};

// Flag name without its dashes -> value ("" for a flag without one).
using Flags = std::map<std::string, std::string>;

// Reads argv[first..argc) as flags of `accepted`, those of `command`. Every argument must be a flag
// of the command, none may appear twice, a flag that takes a value must be followed by one that
// does not itself start with "--" (so a forgotten value is never mistaken for the next flag), and
// every required flag must be there. Returns the reason for the first violation, empty when the
// whole command line fits.
std::string ParseFlags(int first, int argc, char** argv, const std::string& command,
                       const std::vector<AcceptedFlag>& accepted, Flags& flags);

// Why `flags` of `command` do not give exactly one of --key and --key-file, "" when they do.
std::string KeyFlagsProblem(const Flags& flags, const std::string& command);

// A program of the command line: every message it prints on standard error starts with
// "`program`: ". Both texts must outlive the object (string literals, as the tools give them).
struct CommandLine {
  const char* program;
  const char* usage;

  // Prints `reason` and the usage; returns 2, the status of a refusal.
  int UsageError(const std::string& reason) const;
  // Prints `message`; returns 2.
  int Refuse(const std::string& message) const;
  // The key of --key or --key-file (REQUIRES exactly one, as KeyFlagsProblem checks); nothing
  // after a message when the file cannot be read or its text is not a key.
  std::optional<Key256> KeyOf(const Flags& flags) const;
  // The file at `path`, exactly `expected` bytes long; false after a message naming the file and
  // the system's reason, or its size and the size expected.
  bool ReadSized(const std::string& path, size_t expected, std::vector<uint8_t>& bytes) const;
};

}  // namespace whitebox

#endif  // LAUNCHER_TOOLS_WHITEBOX_COMMAND_LINE_H_
