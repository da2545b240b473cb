// A DLL that loads but exports no JNI_CreateJavaVM.
extern "C" __declspec(dllexport) int not_a_jvm() { return 0; }
