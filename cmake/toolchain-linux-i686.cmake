# 32-bit x86 Linux (-m32) on an x86_64 Linux host with Debian's multilib compilers and i386
# packages. The target is foreign to the build, as a cross build's is: whether and how this machine
# runs 32-bit programs (natively, under qemu-i386, or not at all) is probed at configure time
# (TargetExecution.cmake), and what runs during the build is built for the build host
# (HostTools.cmake). Libraries and CMake packages (Google Benchmark) are found under
# /usr/lib/i386-linux-gnu through the library architecture.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -m32)
