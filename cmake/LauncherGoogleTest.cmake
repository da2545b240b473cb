# GoogleTest for the target, found in one place: the installed package on a native build; on a
# cross build, where no package exists for the target, GoogleTest's sources (Debian's googletest
# package puts them in /usr/src/googletest) built with the target's compiler.
#   LAUNCHER_GOOGLETEST_SOURCE_DIR  cache: those sources (empty: search)
# Either way the targets are GoogleTest's own names, GTest::gtest_main among them.
include_guard(GLOBAL)
if(NOT CMAKE_CROSSCOMPILING)
  find_package(GTest REQUIRED)
  return()
endif()
find_path(LAUNCHER_GOOGLETEST_SOURCE_DIR googletest/CMakeLists.txt
  PATHS /usr/src/googletest NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
  DOC "GoogleTest's sources, built for the target in a cross build")
if(NOT LAUNCHER_GOOGLETEST_SOURCE_DIR)
  message(FATAL_ERROR "GoogleTest's sources not found for the cross build: set "
                      "LAUNCHER_GOOGLETEST_SOURCE_DIR (Debian: googletest)")
endif()
set(INSTALL_GTEST OFF)
add_subdirectory(${LAUNCHER_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
