// launcher-tablegen: builds white-box table sets and turns deployment data into C++ initializers.
//
//   launcher-tablegen generate --key HEX64 [--construction hardened|plain] [--seed TEXT]
//                              [--known-answers FILE] [--verbose] --output FILE
//   launcher-tablegen known-answers --key HEX64 --tables FILE [--seed TEXT] --output FILE
//   launcher-tablegen audit FILE
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
// does (2 on a usage or I/O error).
// `embed` writes one initializer-list fragment per constant (gxor.inc, gtyboxes.inc,
// gtboxeslast.inc, gmbl.inc, distkey.inc) for the launcher's table source to include.
//
// A command line the tool does not understand - an unknown command or flag, a flag without its
// value, a flag given twice, a missing required flag - prints the reason and the usage on standard
// error and exits with status 2; nothing is written.
#include <chrono>
#include <cstdio>
#include <exception>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "aes_whitebox_tables.h"
#include "audit.h"
#include "known_answers.h"
#include "make_known_answers.h"
#include "read_file.h"
#include "seeded_random.h"
#include "table_set.h"

namespace {

constexpr char kUsage[] =
    "usage:\n"
    "  launcher-tablegen generate --key HEX64 [--construction hardened|plain] [--seed TEXT]\n"
    "                             [--known-answers FILE] [--verbose] --output FILE\n"
    "  launcher-tablegen known-answers --key HEX64 --tables FILE [--seed TEXT] --output FILE\n"
    "  launcher-tablegen audit FILE\n"
    "  launcher-tablegen embed --tables FILE --distribution-key FILE --output-dir DIR\n";

// Prints `reason` and the usage on standard error; returns the usage error status.
int UsageError(const std::string& reason) {
  std::fprintf(stderr, "launcher-tablegen: %s\n", reason.c_str());
  std::fputs(kUsage, stderr);
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

bool WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  return static_cast<bool>(out);
}

// WriteFile, saying on standard error when it fails.
bool WriteOrReport(const std::string& path, const std::string& text) {
  if (WriteFile(path, text)) return true;
  std::fprintf(stderr, "launcher-tablegen: cannot write %s\n", path.c_str());
  return false;
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

// Known answers for `key` and the set `tables` in the file `path`; false after a message on
// standard error when they cannot be made or the file cannot be written.
bool WriteKnownAnswers(const std::string& path, const whitebox::Key256& key,
                       const whitebox::TableSet& tables, const Flags& flags) {
  std::string text;
  try {
    text = whitebox::FormatKnownAnswers(whitebox::MakeKnownAnswers(
        key, tables,
        *whitebox::KnownAnswersRandom(flags.count("seed") ? std::optional(flags.at("seed"))
                                                          : std::nullopt)));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "launcher-tablegen: %s\n", error.what());
    return false;
  }
  return WriteOrReport(path, text);
}

// The --key flag's key; nothing after a message on standard error when it is not one.
std::optional<whitebox::Key256> KeyFlag(const Flags& flags) {
  auto key = whitebox::ParseKeyHex(flags.at("key"));
  if (!key) std::fprintf(stderr, "launcher-tablegen: the key must be 64 hexadecimal digits\n");
  return key;
}

int Generate(const Flags& flags) {
  const auto key = KeyFlag(flags);
  if (!key) return 1;
  const std::string name = flags.count("construction") ? flags.at("construction") : "hardened";
  const auto construction = whitebox::ParseConstruction(name);
  if (!construction) {
    std::fprintf(stderr, "launcher-tablegen: unknown construction '%s'\n", name.c_str());
    return 1;
  }
  const auto start = std::chrono::steady_clock::now();
  std::unique_ptr<whitebox::TableSet> tables;
  const auto random = RandomFor(flags);
  try {
    tables = whitebox::BuildTableSet(*construction, *key, *random);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "launcher-tablegen: %s\n", error.what());
    return 1;
  }
  const auto built = std::chrono::steady_clock::now();
  const auto bytes = whitebox::SerializeTableSet(*tables);
  if (!WriteOrReport(flags.at("output"), std::string(bytes.begin(), bytes.end()))) return 1;
  if (flags.count("known-answers") &&
      !WriteKnownAnswers(flags.at("known-answers"), *key, *tables, flags)) {
    return 1;
  }
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

int KnownAnswers(const Flags& flags) {
  const auto key = KeyFlag(flags);
  if (!key) return 1;
  const auto bytes = tools_common::ReadFileBytes(flags.at("tables"));
  if (!bytes) {
    std::fprintf(stderr, "launcher-tablegen: cannot read %s\n", flags.at("tables").c_str());
    return 1;
  }
  const auto tables = whitebox::DeserializeTableSet(*bytes);
  if (!tables) {
    std::fprintf(stderr, "launcher-tablegen: %s is %zu bytes, expected %zu\n",
                 flags.at("tables").c_str(), bytes->size(), whitebox::kTableFileSize);
    return 1;
  }
  return WriteKnownAnswers(flags.at("output"), *key, *tables, flags) ? 0 : 1;
}

int Audit(const std::string& path) {
  const auto bytes = tools_common::ReadFileBytes(path);
  if (!bytes) {
    std::fprintf(stderr, "launcher-tablegen: cannot read %s\n", path.c_str());
    return 2;
  }
  const auto tables = whitebox::DeserializeTableSet(*bytes);
  if (!tables) {
    std::fprintf(stderr, "launcher-tablegen: %s is %zu bytes, expected %zu\n", path.c_str(),
                 bytes->size(), whitebox::kTableFileSize);
    return 2;
  }
  const auto report = whitebox::AuditTableSet(*tables);
  std::fputs(whitebox::FormatAuditReport(report).c_str(), stdout);
  return report.Passed() ? 0 : 1;
}

bool ReadSized(const std::string& path, size_t expected, std::vector<uint8_t>& bytes) {
  auto read = tools_common::ReadFileBytes(path);
  if (!read) {
    std::fprintf(stderr, "launcher-tablegen: cannot read %s\n", path.c_str());
    return false;
  }
  bytes = std::move(*read);
  if (bytes.size() != expected) {
    std::fprintf(stderr, "launcher-tablegen: %s is %zu bytes, expected %zu\n", path.c_str(),
                 bytes.size(), expected);
    return false;
  }
  return true;
}

int Embed(const Flags& flags) {
  std::vector<uint8_t> table_bytes;
  std::vector<uint8_t> key_bytes;
  if (!ReadSized(flags.at("tables"), whitebox::kTableFileSize, table_bytes) ||
      !ReadSized(flags.at("distribution-key"), kDistributionKeySize, key_bytes)) {
    return 1;
  }
  const auto tables = whitebox::DeserializeTableSet(table_bytes);
  const std::string dir = flags.at("output-dir") + "/";
  const bool written =
      WriteFile(dir + "gxor.inc",
                Initializer(&tables->xor_tables[0][0][0][0],
                            {kFullRounds, kXorTablesPerRound, kNibbleValues, kNibbleValues})) &&
      WriteFile(dir + "gtyboxes.inc", Initializer(&tables->tyboxes[0][0][0],
                                                  {kFullRounds, kStatePositions, kByteValues})) &&
      WriteFile(dir + "gtboxeslast.inc",
                Initializer(&tables->tboxes_last[0][0], {kStatePositions, kByteValues})) &&
      WriteFile(dir + "gmbl.inc",
                Initializer(&tables->mbl[0][0][0], {kFullRounds, kStatePositions, kByteValues})) &&
      WriteFile(dir + "distkey.inc", Initializer(key_bytes.data(), {kDistributionKeySize}));
  if (!written) {
    std::fprintf(stderr, "launcher-tablegen: cannot write into %s\n", dir.c_str());
    return 1;
  }
  return 0;
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
  struct FlagCommand {
    const char* name;
    std::vector<AcceptedFlag> accepted;
    int (*run)(const Flags&);
  };
  const FlagCommand commands[] = {
      {"generate",
       {{"key", true, true},
        {"construction", true, false},
        {"seed", true, false},
        {"known-answers", true, false},
        {"verbose", false, false},
        {"output", true, true}},
       Generate},
      {"known-answers",
       {{"key", true, true}, {"tables", true, true}, {"seed", true, false}, {"output", true, true}},
       KnownAnswers},
      {"embed",
       {{"tables", true, true}, {"distribution-key", true, true}, {"output-dir", true, true}},
       Embed},
  };
  for (const FlagCommand& candidate : commands) {
    if (command != candidate.name) continue;
    Flags flags;
    const std::string error = ParseFlags(argc, argv, candidate.accepted, flags);
    return error.empty() ? candidate.run(flags) : UsageError(error);
  }
  return UsageError("unknown command '" + command + "'");
}
