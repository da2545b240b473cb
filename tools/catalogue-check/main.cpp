// launcher-catalogue-check [--allow-unstartable] FILE...
//
// Decodes each FILE (raw bytes) as a launcher configuration and prints, per
// file and in argument order, a block: with more than one FILE, first a line
// "FILE:" naming it as given; then either the record (see format_catalogue_entry)
// or one line "error: MESSAGE" with the decoder's message. A file that
// cannot be opened or read completely yields "error: cannot read FILE", FILE
// being the argument as given.
//
// After that, one line per finding (see check_catalogue_text), in text order:
//   refused: FILE line L column C: MESSAGE
// With --allow-unstartable they read "warning: ..." instead and do not count
// against the exit status.
//
// Exit status: 0 iff every file decoded and none has a refused finding; 1
// otherwise; 2, with a usage line on standard error, when no FILE is given.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "catalogue_findings.h"
#include "catalogue_format.h"
#include "java_app.h"
#include "read_file.h"

int main(int argc, char** argv) {
  int first = 1;
  bool allow_unstartable = false;
  if (argc > 1 && std::string_view(argv[1]) == "--allow-unstartable") {
    allow_unstartable = true;
    first = 2;
  }
  if (argc <= first) {
    std::fputs("usage: launcher-catalogue-check [--allow-unstartable] FILE...\n", stderr);
    return 2;
  }
  int status = 0;
  const bool several = argc - first > 1;
  for (int k = first; k < argc; ++k) {
    std::string out = several ? std::string(argv[k]) + ":\n" : std::string();
    const std::optional<std::string> text = tools_common::ReadFile(argv[k]);
    if (!text) {
      out += std::string("error: cannot read ") + argv[k] + "\n";
      status = 1;
    } else {
      const launcher::CatalogueCheck check = launcher::check_catalogue_text(*text);
      if (check.app) {
        out += launcher::format_catalogue_entry(*check.app);
      } else {
        out += "error: " + check.app.error().message + "\n";
        status = 1;
      }
      for (const launcher::Finding& f : check.findings) {
        out += allow_unstartable ? "warning: " : "refused: ";
        out += std::string(argv[k]) + " line " + std::to_string(f.line) + " column " +
               std::to_string(f.column) + ": " + f.message + "\n";
        if (!allow_unstartable) status = 1;
      }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
  }
  return std::fflush(stdout) == 0 ? status : 1;
}
