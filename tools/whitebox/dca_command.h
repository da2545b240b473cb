// The `dca` command of launcher-tablegen (see dca.h for the analysis it runs).
#ifndef LAUNCHER_TOOLS_WHITEBOX_DCA_COMMAND_H_
#define LAUNCHER_TOOLS_WHITEBOX_DCA_COMMAND_H_

#include <map>
#include <string>

#include "table_set.h"

namespace whitebox {

// The most traces the command records: the trace store grows by about 2 KiB per trace.
inline constexpr int kDcaMaxTraces = 65536;
inline constexpr int kDcaDefaultTraces = 8192;

// Attacks `tables`, read from the file named by flags["tables"], which must compute AES-256 under
// `key`. `flags` maps flag names without their dashes to values: "traces" and "seed" are optional
// (the seed makes the random blocks reproducible). Prints the report on standard output. Returns
// 0 when the key is not recovered, 1 when it is, and 2 when the analysis cannot run: a malformed
// trace count, or a set that does not compute AES-256 under the key.
int DcaCommand(const TableSet& tables, const Key256& key,
               const std::map<std::string, std::string>& flags);

}  // namespace whitebox

#endif  // LAUNCHER_TOOLS_WHITEBOX_DCA_COMMAND_H_
