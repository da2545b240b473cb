#include "dca_command.h"

#include <charconv>
#include <cstdio>
#include <exception>
#include <memory>

#include "dca.h"
#include "read_file.h"
#include "table_set.h"

namespace whitebox {

int DcaCommand(const std::map<std::string, std::string>& flags) {
  const std::string& path = flags.at("tables");
  const auto bytes = tools_common::ReadFileBytes(path);
  if (!bytes) {
    std::fprintf(stderr, "launcher-tablegen: cannot read %s\n", path.c_str());
    return 2;
  }
  const auto tables = DeserializeTableSet(*bytes);
  if (!tables) {
    std::fprintf(stderr, "launcher-tablegen: %s is %zu bytes, expected %zu\n", path.c_str(),
                 bytes->size(), kTableFileSize);
    return 2;
  }
  const auto key = ParseKeyHex(flags.at("key"));
  if (!key) {
    std::fprintf(stderr, "launcher-tablegen: the key must be 64 hexadecimal digits\n");
    return 2;
  }
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
    report = RunDca(*tables, *key, traces, *random);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "launcher-tablegen: %s\n", error.what());
    return 2;
  }
  if (!report.computes_aes) {
    std::fprintf(stderr, "launcher-tablegen: %s does not compute AES-256 under this key\n",
                 path.c_str());
    return 2;
  }
  std::fputs(FormatDcaReport(report).c_str(), stdout);
  return report.Passed() ? 0 : 1;
}

}  // namespace whitebox
