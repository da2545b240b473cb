// launcher-tablegen: builds white-box table sets and turns deployment data into C++ initializers.
//
//   launcher-tablegen generate (--key HEX64 | --key-file FILE) [--construction hardened|plain]
//                              [--seed TEXT] [--known-answers FILE] [--verbose] --output FILE
//   launcher-tablegen known-answers (--key HEX64 | --key-file FILE) --tables FILE
//                                   [--seed TEXT] --output FILE
//   launcher-tablegen audit FILE
//   launcher-tablegen dca --tables FILE (--key HEX64 | --key-file FILE) [--traces N]
//                         [--seed TEXT]
//   launcher-tablegen embed --tables FILE --distribution-key FILE --output-dir DIR
//
// `generate` builds the hardened construction unless told otherwise, from the operating system's
// random generator or, given --seed, reproducibly from the seed (any text; see seeded_random.h).
// With --known-answers it also writes CFB vectors computed from the key (make_known_answers.h),
// enough of them to read every entry of the set; with --seed their IVs and plaintexts come from the
// seed's stream beyond any set's draws (seeded_random.h), so the set is the same with or without
// them and a seed reproduces both files.
// `known-answers` writes the same vectors alone, for the set in --tables made earlier with the same
// key: given the same seed, exactly the file `generate` wrote.
// `audit` tries the trivial key read-outs on a table file and exits 0 if none succeeds, 1 if one
// does.
// `embed` writes one initializer-list fragment per constant (gxor.inc, gtyboxes.inc,
// gtboxeslast.inc, gmbl.inc, distkey.inc) for the launcher's table source to include.
//
// The key is 64 hexadecimal digits, given on the command line (--key, for tests and scripts: it is
// then visible to other users' `ps` and kept in shell history) or read from a file (--key-file;
// "-" is standard input), where white space around the digits is ignored.
//
// Exit statuses: 0 done; 1 only for an audit that finds a leak; 2 for anything refused or failed.
// A command line the tool does not understand - an unknown command or flag, a flag without its
// value, a flag given twice, a missing required flag - prints the reason and the usage on standard
// error. A key, construction or file that cannot be used, and a file that cannot be read or
// written, print what is wrong and, for a file, the system's reason. A command that writes several
// files writes all of them or none; nothing is written after a refusal.
#include <cctype>
#include <chrono>
#include <cstdio>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "aes_whitebox_tables.h"
#include "audit.h"
#include "dca_command.h"
#include "known_answers.h"
#include "make_known_answers.h"
#include "read_file.h"
#include "seeded_random.h"
#include "table_set.h"
#include "write_files.h"

namespace {

constexpr char kUsage[] =
    "usage:\n"
    "  launcher-tablegen generate (--key HEX64 | --key-file FILE) [--construction hardened|plain]\n"
    "                             [--seed TEXT] [--known-answers FILE] [--verbose] --output FILE\n"
    "  launcher-tablegen known-answers (--key HEX64 | --key-file FILE) --tables FILE\n"
    "                                  [--seed TEXT] --output FILE\n"
    "  launcher-tablegen audit FILE\n"
    "  launcher-tablegen dca --tables FILE (--key HEX64 | --key-file FILE) [--traces N]\n"
    "                        [--seed TEXT]\n"
    "  launcher-tablegen embed --tables FILE --distribution-key FILE --output-dir DIR\n";

// Prints `reason` and the usage on standard error; returns the usage error status.
int UsageError(const std::string& reason) {
  std::fprintf(stderr, "launcher-tablegen: %s\n", reason.c_str());
  std::fputs(kUsage, stderr);
  return 2;
}

// The status of a refused input or a failed read or write, after `message` on standard error.
int Refuse(const std::string& message) {
  std::fprintf(stderr, "launcher-tablegen: %s\n", message.c_str());
  return 2;
}

// One flag a command accepts: "--name VALUE", or a lone "--name" when it takes no value.
struct AcceptedFlag {
  const char* name;
  bool takes_value;
  bool required;
};

// Flag name without its dashes -> value ("" for a flag without one).
using Flags = std::map<std::string, std::string>;

// Reads argv[2..argc) as flags of `accepted`, those of command argv[1]. Every argument must be a
// flag of the command, none may appear twice, a flag that takes a value must be followed by one
// that does not itself start with "--" (so a forgotten value is never mistaken for the next flag),
// and every required flag must be there. Returns the reason for the first violation, empty when
// the whole command line fits.
std::string ParseFlags(int argc, char** argv, const std::vector<AcceptedFlag>& accepted,
                       Flags& flags) {
  for (int i = 2; i < argc; ++i) {
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
    if (flag.required && !flags.count(flag.name)) {
      return std::string(argv[1]) + " needs --" + flag.name;
    }
  }
  return "";
}

// Writes all of `files` or none; the exit status, after the reason on standard error on failure.
int WriteAll(const std::vector<tools_common::FileToWrite>& files) {
  const std::string failure = tools_common::WriteFilesAllOrNothing(files);
  return failure.empty() ? 0 : Refuse(failure);
}

// Writes `values` as nested brace lists of the given dimensions (outermost first).
template <typename T>
void EmitNested(std::ostringstream& out, const T* values, const std::vector<size_t>& dims,
                size_t depth, size_t& next) {
  out << '{';
  for (size_t i = 0; i < dims[depth]; ++i) {
    if (depth + 1 < dims.size()) {
      EmitNested(out, values, dims, depth + 1, next);
      out << (depth + 2 == dims.size() ? ",\n" : ",");
    } else {
      char buffer[16];
      std::snprintf(buffer, sizeof buffer, sizeof(T) == 4 ? "0x%08lxu," : "%lu,",
                    static_cast<unsigned long>(values[next++]));
      out << buffer;
    }
  }
  out << '}';
}

template <typename T>
std::string Initializer(const T* values, const std::vector<size_t>& dims) {
  std::ostringstream out;
  out << "// Generated by launcher-tablegen embed; do not edit.\n";
  size_t next = 0;
  EmitNested(out, values, dims, 0, next);
  out << '\n';
  return out.str();
}

// The random source the command's flags ask for: seeded by --seed, else the operating system's.
std::unique_ptr<whitebox::RandomSource> RandomFor(const Flags& flags) {
  if (flags.count("seed")) return std::make_unique<whitebox::SeededRandom>(flags.at("seed"));
  return std::make_unique<whitebox::SystemRandom>();
}

// The text of known answers for `key` and the set `tables`, drawn from the seed of --seed beyond
// any set's draws (else from the operating system); nothing after a message on standard error when
// they cannot be made.
std::optional<std::string> KnownAnswersText(const whitebox::Key256& key,
                                            const whitebox::TableSet& tables, const Flags& flags) {
  try {
    return whitebox::FormatKnownAnswers(whitebox::MakeKnownAnswers(
        key, tables,
        *whitebox::KnownAnswersRandom(flags.count("seed") ? std::optional(flags.at("seed"))
                                                          : std::nullopt)));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "launcher-tablegen: %s\n", error.what());
    return std::nullopt;
  }
}

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

// The key of --key or --key-file (main makes sure there is exactly one); nothing after a message
// on standard error when the file cannot be read or its text is not a key.
std::optional<whitebox::Key256> KeyOf(const Flags& flags) {
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
  return whitebox::ParseKeyHex(text);
}

int Generate(const Flags& flags) {
  const auto key = KeyOf(flags);
  if (!key) return 2;
  const std::string name = flags.count("construction") ? flags.at("construction") : "hardened";
  const auto construction = whitebox::ParseConstruction(name);
  if (!construction) return Refuse("unknown construction '" + name + "'");
  const auto start = std::chrono::steady_clock::now();
  std::unique_ptr<whitebox::TableSet> tables;
  const auto random = RandomFor(flags);
  try {
    tables = whitebox::BuildTableSet(*construction, *key, *random);
  } catch (const std::exception& error) {
    return Refuse(error.what());
  }
  const auto built = std::chrono::steady_clock::now();
  const auto bytes = whitebox::SerializeTableSet(*tables);
  std::vector<tools_common::FileToWrite> files = {
      {flags.at("output"), std::string(bytes.begin(), bytes.end())}};
  if (flags.count("known-answers")) {
    const auto answers = KnownAnswersText(*key, *tables, flags);
    if (!answers) return 2;
    files.emplace_back(flags.at("known-answers"), *answers);
  }
  if (const int status = WriteAll(files); status != 0) return status;
  if (flags.count("verbose")) {
    const auto ms = [](auto duration) {
      return std::chrono::duration<double, std::milli>(duration).count();
    };
    std::fprintf(stderr,
                 "launcher-tablegen: %s set (%s) built in %.1f ms, written in %.1f ms: %s\n",
                 name.c_str(),
                 *construction == whitebox::Construction::kPlain ? "no randomness"
                 : flags.count("seed")                           ? "seeded"
                                                                 : "operating system randomness",
                 ms(built - start), ms(std::chrono::steady_clock::now() - built),
                 flags.at("output").c_str());
  }
  return 0;
}

// The file at `path`, exactly `expected` bytes long; false after a message on standard error
// naming the file and the system's reason, or its size and the size expected.
bool ReadSized(const std::string& path, size_t expected, std::vector<uint8_t>& bytes) {
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

int KnownAnswers(const Flags& flags) {
  std::vector<uint8_t> bytes;
  if (!ReadSized(flags.at("tables"), whitebox::kTableFileSize, bytes)) return 2;
  const auto key = KeyOf(flags);
  if (!key) return 2;
  const auto answers = KnownAnswersText(*key, *whitebox::DeserializeTableSet(bytes), flags);
  if (!answers) return 2;
  return WriteAll({{flags.at("output"), *answers}});
}

int Dca(const Flags& flags) {
  std::vector<uint8_t> bytes;
  if (!ReadSized(flags.at("tables"), whitebox::kTableFileSize, bytes)) return 2;
  const auto key = KeyOf(flags);
  if (!key) return 2;
  return whitebox::DcaCommand(*whitebox::DeserializeTableSet(bytes), *key, flags);
}

int Audit(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (!ReadSized(path, whitebox::kTableFileSize, bytes)) return 2;
  const auto tables = whitebox::DeserializeTableSet(bytes);
  const auto report = whitebox::AuditTableSet(*tables);
  std::fputs(whitebox::FormatAuditReport(report).c_str(), stdout);
  return report.Passed() ? 0 : 1;
}

int Embed(const Flags& flags) {
  std::vector<uint8_t> table_bytes;
  std::vector<uint8_t> key_bytes;
  if (!ReadSized(flags.at("tables"), whitebox::kTableFileSize, table_bytes) ||
      !ReadSized(flags.at("distribution-key"), kDistributionKeySize, key_bytes)) {
    return 2;
  }
  const auto tables = whitebox::DeserializeTableSet(table_bytes);
  const std::string dir = flags.at("output-dir") + "/";
  return WriteAll({{dir + "gxor.inc",
                    Initializer(&tables->xor_tables[0][0][0][0],
                                {kFullRounds, kXorTablesPerRound, kNibbleValues, kNibbleValues})},
                   {dir + "gtyboxes.inc", Initializer(&tables->tyboxes[0][0][0],
                                                      {kFullRounds, kStatePositions, kByteValues})},
                   {dir + "gtboxeslast.inc",
                    Initializer(&tables->tboxes_last[0][0], {kStatePositions, kByteValues})},
                   {dir + "gmbl.inc", Initializer(&tables->mbl[0][0][0],
                                                  {kFullRounds, kStatePositions, kByteValues})},
                   {dir + "distkey.inc", Initializer(key_bytes.data(), {kDistributionKeySize})}});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return UsageError("no command");
  const std::string command = argv[1];
  if (command == "audit") {
    if (argc != 3) return UsageError("audit takes exactly one FILE");
    if (std::string(argv[2]).rfind("--", 0) == 0) {
      return UsageError("unknown flag '" + std::string(argv[2]) + "'");
    }
    return Audit(argv[2]);
  }
  // The commands with flags, each with the flags it accepts.
  // A command that takes a key needs exactly one of --key and --key-file.
  struct FlagCommand {
    const char* name;
    std::vector<AcceptedFlag> accepted;
    int (*run)(const Flags&);
    bool takes_key;
  };
  const FlagCommand commands[] = {
      {"generate",
       {{"key", true, false},
        {"key-file", true, false},
        {"construction", true, false},
        {"seed", true, false},
        {"known-answers", true, false},
        {"verbose", false, false},
        {"output", true, true}},
       Generate,
       true},
      {"known-answers",
       {{"key", true, false},
        {"key-file", true, false},
        {"tables", true, true},
        {"seed", true, false},
        {"output", true, true}},
       KnownAnswers,
       true},
      {"embed",
       {{"tables", true, true}, {"distribution-key", true, true}, {"output-dir", true, true}},
       Embed,
       false},
      {"dca",
       {{"tables", true, true},
        {"key", true, false},
        {"key-file", true, false},
        {"traces", true, false},
        {"seed", true, false}},
       Dca,
       true},
  };
  for (const FlagCommand& candidate : commands) {
    if (command != candidate.name) continue;
    Flags flags;
    const std::string error = ParseFlags(argc, argv, candidate.accepted, flags);
    if (!error.empty()) return UsageError(error);
    if (candidate.takes_key && flags.count("key") == flags.count("key-file")) {
      return UsageError(flags.count("key") ? "give --key or --key-file, not both"
                                           : command + " needs --key or --key-file");
    }
    return candidate.run(flags);
  }
  return UsageError("unknown command '" + command + "'");
}
