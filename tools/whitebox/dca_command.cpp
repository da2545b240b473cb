#include "dca_command.h"

#include <charconv>
#include <cstdio>
#include <exception>
#include <memory>

#include "dca.h"
#include "seeded_random.h"
#include "table_set.h"

namespace whitebox {

int DcaCommand(const TableSet& tables, const Key256& key,
               const std::map<std::string, std::string>& flags) {
  int traces = kDcaDefaultTraces;
  if (flags.count("traces")) {
    const std::string& text = flags.at("traces");
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), traces);
    if (error != std::errc() || end != text.data() + text.size() || traces < 1 ||
        traces > kDcaMaxTraces) {
      std::fprintf(stderr, "launcher-tablegen: --traces must be a whole number from 1 to %d\n",
                   kDcaMaxTraces);
      return 2;
    }
  }
  std::unique_ptr<RandomSource> random;
  if (flags.count("seed")) {
    random = std::make_unique<SeededRandom>(flags.at("seed"));
  } else {
    random = std::make_unique<SystemRandom>();
  }
  DcaReport report;
  try {
    report = RunDca(tables, key, traces, *random);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "launcher-tablegen: %s\n", error.what());
    return 2;
  }
  if (!report.computes_aes) {
    std::fprintf(stderr, "launcher-tablegen: %s does not compute AES-256 under this key\n",
                 flags.at("tables").c_str());
    return 2;
  }
  std::fputs(FormatDcaReport(report).c_str(), stdout);
  return report.Passed() ? 0 : 1;
}

}  // namespace whitebox
