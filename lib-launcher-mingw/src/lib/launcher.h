// The launcher library's public entry: the command logic behind the process entry.
#ifndef LAUNCHER_LIB_LAUNCHER_H_
#define LAUNCHER_LIB_LAUNCHER_H_

#ifdef __cplusplus
extern "C" {
#endif

// Runs the command line `launcher <app>`. Returns the process exit status: 0, or -1 when the
// chosen application's built-in configuration cannot be decoded. Does not return while a hosted
// application runs. REQUIRES: the cipher tables are loaded.
int entry(int argc, char** argv);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // LAUNCHER_LIB_LAUNCHER_H_
