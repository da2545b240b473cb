# 32-bit Windows (i686-w64-mingw32): the shipped launcher.exe.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(LAUNCHER_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
# 32-bit Windows programs run under 32-bit wine where this machine executes 32-bit x86 code
# (TargetExecution.cmake decides); the build itself never runs them.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine32-run.sh)
