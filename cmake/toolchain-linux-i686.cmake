# 32-bit x86 Linux (-m32) on an x86_64 Linux host with Debian's multilib compilers and i386
# packages. The host runs 32-bit programs directly, so this is not a cross build for running:
# CMAKE_CROSSCOMPILING stays false, every test suite runs, and the build-host tools are built 32-bit
# like everything else. Libraries and CMake packages (GoogleTest, Google Benchmark) are found under
# /usr/lib/i386-linux-gnu through the library architecture.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_CROSSCOMPILING FALSE)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -m32)
