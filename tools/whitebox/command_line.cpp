#include "command_line.h"

#include <cctype>
#include <cstdio>

#include "read_file.h"

namespace whitebox {
namespace {

// Why `text` is not 64 hexadecimal digits, "" when it is: the first character that is no digit and
// its position (counted from 1), else the number of digits. A character outside printable ASCII is
// shown by its code, so the message stays one readable line.
std::string KeyTextProblem(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (std::isxdigit(c)) continue;
    char shown[8];
    if (c > ' ' && c < 0x7f) {
      std::snprintf(shown, sizeof shown, "'%c'", c);
    } else {
      std::snprintf(shown, sizeof shown, "0x%02x", c);
    }
    return "character " + std::to_string(i + 1) + " is " + shown + ", not a hexadecimal digit";
  }
  if (text.size() != 64) return "it has " + std::to_string(text.size());
  return "";
}

}  // namespace

std::string ParseFlags(int first, int argc, char** argv, const std::string& command,
                       const std::vector<AcceptedFlag>& accepted, Flags& flags) {
  for (int i = first; i < argc; ++i) {
    const std::string argument = argv[i];
    const AcceptedFlag* flag = nullptr;
    for (const AcceptedFlag& candidate : accepted) {
      if (argument == std::string("--") + candidate.name) flag = &candidate;
    }
    if (flag == nullptr) {
      return argument.rfind("--", 0) == 0 ? "unknown flag '" + argument + "'"
                                          : "unexpected argument '" + argument + "'";
    }
    if (flags.count(flag->name)) return "'" + argument + "' given twice";
    if (!flag->takes_value) {
      flags[flag->name] = "";
      continue;
    }
    if (i + 1 >= argc || std::string(argv[i + 1]).rfind("--", 0) == 0) {
      return "'" + argument + "' needs a value";
    }
    flags[flag->name] = argv[++i];
  }
  for (const AcceptedFlag& flag : accepted) {
    if (flag.required && !flags.count(flag.name)) return command + " needs --" + flag.name;
  }
  return "";
}

std::string KeyFlagsProblem(const Flags& flags, const std::string& command) {
  if (flags.count("key") != flags.count("key-file")) return "";
  return flags.count("key") ? "give --key or --key-file, not both"
                            : command + " needs --key or --key-file";
}

int CommandLine::UsageError(const std::string& reason) const {
  std::fprintf(stderr, "%s: %s\n", program, reason.c_str());
  std::fputs(usage, stderr);
  return 2;
}

int CommandLine::Refuse(const std::string& message) const {
  std::fprintf(stderr, "%s: %s\n", program, message.c_str());
  return 2;
}

std::optional<Key256> CommandLine::KeyOf(const Flags& flags) const {
  std::string text;
  std::string source = "the key";
  if (flags.count("key")) {
    text = flags.at("key");
  } else {
    const std::string& path = flags.at("key-file");
    std::string reason;
    std::optional<std::string> read;
    if (path == "-") {
      source = "the key on standard input";
      read = tools_common::ReadStream(stdin, reason);
    } else {
      source = "the key in " + path;
      read = tools_common::ReadFile(path, reason);
    }
    if (!read) {
      Refuse("cannot read " + (path == "-" ? std::string("standard input") : path) + ": " + reason);
      return std::nullopt;
    }
    const size_t first = read->find_first_not_of(" \t\r\n");
    const size_t last = read->find_last_not_of(" \t\r\n");
    text = first == std::string::npos ? "" : read->substr(first, last - first + 1);
  }
  const std::string problem = KeyTextProblem(text);
  if (!problem.empty()) {
    Refuse(source + " must be 64 hexadecimal digits: " + problem);
    return std::nullopt;
  }
  return ParseKeyHex(text);
}

bool CommandLine::ReadSized(const std::string& path, size_t expected,
                            std::vector<uint8_t>& bytes) const {
  std::string reason;
  const auto read = tools_common::ReadFile(path, reason);
  if (!read) {
    Refuse("cannot read " + path + ": " + reason);
    return false;
  }
  if (read->size() != expected) {
    Refuse(path + " is " + std::to_string(read->size()) + " bytes, expected " +
           std::to_string(expected));
    return false;
  }
  bytes.assign(read->begin(), read->end());
  return true;
}

}  // namespace whitebox
