#include "fake_jvm_dependency.h"

extern "C" int fake_jvm_failure_code() { return -1; }
