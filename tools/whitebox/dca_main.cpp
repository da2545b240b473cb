// launcher-dca: a differential computation analysis of a table file (dca.h): how many traces of
// the network's own computation recover its AES-256 key. It is a program of its own so that the
// generator, which runs where a deployment's key is kept, carries no attack.
//
//   launcher-dca --tables FILE (--key HEX64 | --key-file FILE) [--traces N] [--seed TEXT]
//
// The key, given as launcher-tablegen takes it, is the one the set must compute AES-256 under; it
// only checks the set and counts the key bytes ranked first. --traces is the largest count tried
// (default 8192, at most 65536); --seed draws the blocks from a seeded stream (seeded_random.h),
// so that a run reproduces, else they come from the operating system.
//
// Prints the report on standard output. Exit statuses: 0 the key is not recovered, 1 it is, 2 the
// analysis cannot run: a command line it does not understand (the reason and the usage on
// standard error), a table file that cannot be read or has the wrong size, a malformed key or trace
// count, or a set that does not compute AES-256 under the key.
#include <charconv>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "command_line.h"
#include "dca.h"
#include "seeded_random.h"
#include "table_set.h"

namespace {

constexpr char kUsage[] =
    "usage:\n"
    "  launcher-dca --tables FILE (--key HEX64 | --key-file FILE) [--traces N]\n"
    "               [--seed TEXT]\n";

constexpr whitebox::CommandLine kTool{"launcher-dca", kUsage};

// The most traces recorded: the trace store grows by about 2 KiB per trace.
constexpr int kMaxTraces = 65536;
constexpr int kDefaultTraces = 8192;

}  // namespace

int main(int argc, char** argv) {
  whitebox::Flags flags;
  std::string error = whitebox::ParseFlags(1, argc, argv, "dca",
                                           {{"tables", true, true},
                                            {"key", true, false},
                                            {"key-file", true, false},
                                            {"traces", true, false},
                                            {"seed", true, false}},
                                           flags);
  if (error.empty()) error = whitebox::KeyFlagsProblem(flags, "dca");
  if (!error.empty()) return kTool.UsageError(error);

  std::vector<uint8_t> bytes;
  if (!kTool.ReadSized(flags.at("tables"), whitebox::kTableFileSize, bytes)) return 2;
  const auto key = kTool.KeyOf(flags);
  if (!key) return 2;
  int traces = kDefaultTraces;
  if (flags.count("traces")) {
    const std::string& text = flags.at("traces");
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), traces);
    if (problem != std::errc() || end != text.data() + text.size() || traces < 1 ||
        traces > kMaxTraces) {
      return kTool.Refuse("--traces must be a whole number from 1 to " +
                          std::to_string(kMaxTraces));
    }
  }
  std::unique_ptr<whitebox::RandomSource> random;
  if (flags.count("seed")) {
    random = std::make_unique<whitebox::SeededRandom>(flags.at("seed"));
  } else {
    random = std::make_unique<whitebox::SystemRandom>();
  }
  whitebox::DcaReport report;
  try {
    report = whitebox::RunDca(*whitebox::DeserializeTableSet(bytes), *key, traces, *random);
  } catch (const std::exception& failure) {
    return kTool.Refuse(failure.what());
  }
  if (!report.computes_aes) {
    return kTool.Refuse(flags.at("tables") + " does not compute AES-256 under this key");
  }
  std::fputs(whitebox::FormatDcaReport(report).c_str(), stdout);
  return report.Passed() ? 0 : 1;
}
