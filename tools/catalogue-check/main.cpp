// launcher-catalogue-check FILE...
//
// Decodes each FILE (raw bytes) as a launcher configuration and prints, per
// file and in argument order, either the record (see format_catalogue_entry)
// or one line "error: MESSAGE" with the decoder's message. A file that
// cannot be opened or read completely yields "error: cannot read FILE", FILE
// being the argument as given.
//
// Exit status: 0 iff every file decoded; 1 otherwise; 2, with a usage line on
// standard error, when no FILE is given.
#include <cstdio>
#include <optional>
#include <string>

#include "catalogue_format.h"
#include "java_app.h"
#include "read_file.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: launcher-catalogue-check FILE...\n", stderr);
    return 2;
  }
  int status = 0;
  for (int k = 1; k < argc; ++k) {
    std::string out;
    const std::optional<std::string> text = tools_common::ReadFile(argv[k]);
    if (!text) {
      out = std::string("error: cannot read ") + argv[k] + "\n";
      status = 1;
    } else if (const auto app = launcher::decode(*text)) {
      out = launcher::format_catalogue_entry(*app);
    } else {
      out = "error: " + app.error().message + "\n";
      status = 1;
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
  }
  return std::fflush(stdout) == 0 ? status : 1;
}
