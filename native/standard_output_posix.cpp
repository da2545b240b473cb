#include "standard_output.h"

// POSIX streams never translate line ends.
void prepare_standard_output() {}
