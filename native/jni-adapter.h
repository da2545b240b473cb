// The VM host: starts a Java application inside this process through the JNI Invocation API and
// offers it the white-box cipher through three native methods.
#ifndef LAUNCHER_NATIVE_JNI_ADAPTER_H_
#define LAUNCHER_NATIVE_JNI_ADAPTER_H_

#ifdef __cplusplus
extern "C" {
#endif

// Loads the JVM library at `jvm_path` (handed to the loader unchanged), creates a VM with the
// `coptions` option strings of `options`, registers the natives externEncrypt, externDecrypt and
// externGetEncryptedDistributionKey on `encrypt_class`, calls the static main(String[]) of
// `main_class` with a null argument array, then reports on stdout forever, about every 1.1 s (each
// line's 100 ms pause, then 1 s), that the calling thread is alive. Class names are in JNI form
// ("com/example/Main"). Progress and every failure are reported on stdout; descriptions of Java
// exceptions go to stderr.
// Returns 1 iff no VM could be created, 0 iff a class or main could not be found (the VM then stays
// up); never returns once main has been called.
// REQUIRES: called at most once per process (a process can host one VM); initializeCipher has run;
// the three names are non-null strings; `options` holds `coptions` strings (it may be null iff
// coptions <= 0, which counts as no options).
int initialize_java_app(const char* jvm_path, const char* const* options, int coptions,
                        const char* main_class, const char* encrypt_class);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // LAUNCHER_NATIVE_JNI_ADAPTER_H_
