/* A loadable library that is not a JVM: it exports no JNI_CreateJavaVM. */
int launcher_not_a_jvm(void) { return 42; }
