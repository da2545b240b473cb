// Makes the bytes the launcher prints the same on every platform.
#ifndef LAUNCHER_NATIVE_STANDARD_OUTPUT_H_
#define LAUNCHER_NATIVE_STANDARD_OUTPUT_H_

// Puts standard output in the mode in which "\n" is written as a single line feed. REQUIRES: called
// before anything is written to standard output.
void prepare_standard_output();

#endif  // LAUNCHER_NATIVE_STANDARD_OUTPUT_H_
