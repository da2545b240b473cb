# The Windows resources every launcher executable carries, and the function that gives them to a
# target.
#
#   LAUNCHER_ICON   a deployment's application icon (.ico), checked when configuring. Empty: the
#                   project's own icon, tools/icon/launcher.ico.
#
# The version fields come from project()'s version: ProductVersion is the version itself, the file
# version is its major and minor version followed by two zeros (1.0.3 gives file version 1.0.0.0),
# so it changes only when the release line does.
include(IconFile)
include(SignExecutable)

set(LAUNCHER_ICON "" CACHE FILEPATH
    "Application icon (.ico) of launcher.exe (empty: the project's own icon)")

set(_resources ${CMAKE_BINARY_DIR}/windows-resources)
if(LAUNCHER_ICON)
  launcher_require_icon_file(LAUNCHER_ICON "${LAUNCHER_ICON}")
  file(REAL_PATH "${LAUNCHER_ICON}" LAUNCHER_RESOURCE_ICON)
else()
  set(LAUNCHER_RESOURCE_ICON ${_resources}/launcher.ico)
  configure_file(${PROJECT_SOURCE_DIR}/tools/icon/launcher.ico ${LAUNCHER_RESOURCE_ICON} COPYONLY)
endif()

set(LAUNCHER_FILE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0")
string(REPLACE "." "," LAUNCHER_FILE_VERSION_COMMAS "${LAUNCHER_FILE_VERSION}")
set(LAUNCHER_PRODUCT_VERSION_COMMAS
    "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
set(LAUNCHER_RESOURCE_MANIFEST ${_resources}/launcher.exe.manifest)
set(LAUNCHER_RESOURCE_SCRIPT ${_resources}/launcher.rc)
configure_file(${PROJECT_SOURCE_DIR}/lib-launcher-mingw/windows/launcher.exe.manifest.in
               ${LAUNCHER_RESOURCE_MANIFEST} @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/lib-launcher-mingw/windows/launcher.rc.in
               ${LAUNCHER_RESOURCE_SCRIPT} @ONLY)

# launcher_windows_executable(<target>)
# Makes <target> a Windows GUI-subsystem program (no console, no window of its own) that carries the
# launcher's icon, version block and manifest and needs no MinGW runtime DLL beside it. Its image
# has no link timestamp, so the same inputs link to the same bytes. A Release or MinSizeRel build
# is stripped as it is linked (-s): no symbol table and no .debug_* sections, which the MinGW-w64
# runtime's objects would otherwise bring in even when nothing of the project is compiled with -g.
function(launcher_windows_executable target)
  target_sources(${target} PRIVATE ${LAUNCHER_RESOURCE_SCRIPT})
  # windres reports no dependencies: name the files the resource script reads.
  set_property(SOURCE ${LAUNCHER_RESOURCE_SCRIPT} TARGET_DIRECTORY ${target} APPEND PROPERTY
               OBJECT_DEPENDS ${LAUNCHER_RESOURCE_ICON} ${LAUNCHER_RESOURCE_MANIFEST})
  target_link_options(${target} PRIVATE -mwindows -static -static-libgcc -static-libstdc++
                                        -Wl,--no-insert-timestamp
                                        $<$<CONFIG:Release,MinSizeRel>:-s>)
endfunction()
