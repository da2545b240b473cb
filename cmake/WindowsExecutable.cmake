# launcher_windows_executable(<target>)
# Makes <target> a Windows GUI-subsystem program (no console, no window of its own) that carries the
# launcher's version block and manifest and needs no MinGW runtime DLL beside it.
function(launcher_windows_executable target)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/lib-launcher-mingw/windows/launcher.rc)
  target_link_options(${target} PRIVATE -mwindows -static -static-libgcc -static-libstdc++)
endfunction()
