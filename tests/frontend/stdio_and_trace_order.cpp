// Writes to standard output alternately through C stdio, as code in the launcher's process may
// (a native library of the hosted application), and through the trace, after preparing standard
// output as the launcher's main does. The test expects the four texts in the order written; a
// stdio buffer left in place would hold the stdio texts back until exit, after both traces.
#include <cstdio>

#include "standard_output.h"
#include "trace.h"

int main() {
  prepare_standard_output();
  std::fputs("stdio-1 ", stdout);
  launcher::trace("trace-1 ");
  std::printf("%s ", "stdio-2");
  launcher::trace("trace-2\n");
  return 0;
}
