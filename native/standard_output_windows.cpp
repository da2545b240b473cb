#include "standard_output.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>

// The Windows C runtime opens standard output in text mode, which writes "\n" as CR LF to a file or
// pipe. Binary mode keeps the launcher's output byte-identical to other platforms.
void prepare_standard_output() { _setmode(_fileno(stdout), _O_BINARY); }
