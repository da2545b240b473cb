# How this machine runs the programs this build makes for its target, decided once, at configure
# time, before any target is defined:
#   LAUNCHER_TARGET_EXECUTION  native (the build host's own kind, or a 32-bit x86 kernel that runs
#                              them), emulated (qemu-i386), wine (wine64 or 32-bit wine) or none
#   LAUNCHER_TARGET_RUNS       TRUE iff tests can run the target's programs here
#   LAUNCHER_NOT_RUN_REASON    why not, iff they cannot
#   CMAKE_CROSSCOMPILING_EMULATOR  what runs them when they do not run directly: wine's scripts
#                              (from the toolchain file), qemu-i386, or nothing
# 32-bit x86 targets are probed by probe-32bit-execution.sh beside this file, whose answer
# LAUNCHER_32BIT_EXECUTION (cache, or the environment variable of that name) forces: auto, native,
# emulated or none. The build itself never runs a target program: what runs during the build is
# built for the build host (HostTools.cmake).
#
# A build registers only the tests that can run in it on a machine that has everything. Defines,
# for those of them that need what this machine may lack (a way to run the target's programs, a
# package), so that each keeps its name and reports itself skipped with the reason:
#   launcher_add_gtest(<target>)  its GoogleTest cases, reported skipped each by name where they
#                                 cannot run
#   launcher_skip_command(<var> <reason>)  a test command that only reports itself skipped
#   launcher_add_skipped_tests(REASON <reason> NAMES <names...> [LABELS <labels...>])
#   launcher_skip_when_not_run(<target>)  tests running <target> skip where it cannot run
#   launcher_mark_skips()         makes the current directory's tests of such commands count as
#                                 skipped
include_guard(GLOBAL)
include(GoogleTest)

set(LAUNCHER_32BIT_EXECUTION auto CACHE STRING
    "How 32-bit x86 programs run here: auto (probe), native, emulated (qemu-i386) or none")
set_property(CACHE LAUNCHER_32BIT_EXECUTION PROPERTY STRINGS auto native emulated none)
if(DEFINED ENV{LAUNCHER_32BIT_EXECUTION} AND
   NOT "$ENV{LAUNCHER_32BIT_EXECUTION}" STREQUAL LAUNCHER_32BIT_EXECUTION)
  set(LAUNCHER_32BIT_EXECUTION "$ENV{LAUNCHER_32BIT_EXECUTION}" CACHE STRING "" FORCE)
endif()

set(LAUNCHER_NOT_RUN_REASON "")
if(NOT CMAKE_CROSSCOMPILING)
  set(LAUNCHER_TARGET_EXECUTION native)
elseif(CMAKE_SIZEOF_VOID_P EQUAL 4)
  execute_process(
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/probe-32bit-execution.sh ${LAUNCHER_32BIT_EXECUTION}
    OUTPUT_VARIABLE _launcher_probe ERROR_VARIABLE _launcher_probe_error
    RESULT_VARIABLE _launcher_probe_status OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT _launcher_probe_status EQUAL 0)
    message(FATAL_ERROR "${_launcher_probe_error}")
  endif()
  string(REPLACE " " ";" _launcher_probe "${_launcher_probe}")
  list(GET _launcher_probe 0 _launcher_linux32)
  list(GET _launcher_probe 1 _launcher_windows32)
  if(WIN32 AND _launcher_windows32 STREQUAL "native")
    set(LAUNCHER_TARGET_EXECUTION wine)
  elseif(WIN32)
    set(LAUNCHER_TARGET_EXECUTION none)
    if(_launcher_linux32 STREQUAL "native")
      set(_launcher_why "/usr/lib/wine/wine, 32-bit wine, does not run (Debian: wine32:i386)")
    else()
      set(_launcher_why "32-bit wine needs a kernel that runs 32-bit x86 code")
    endif()
    set(LAUNCHER_NOT_RUN_REASON "this machine cannot run 32-bit Windows programs: \
${_launcher_why} (LAUNCHER_32BIT_EXECUTION=${LAUNCHER_32BIT_EXECUTION})")
  elseif(_launcher_linux32 STREQUAL "emulated")
    set(LAUNCHER_TARGET_EXECUTION emulated)
    find_program(LAUNCHER_QEMU_I386 qemu-i386 REQUIRED)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${LAUNCHER_QEMU_I386})
  else()
    set(LAUNCHER_TARGET_EXECUTION ${_launcher_linux32})
    if(_launcher_linux32 STREQUAL "none")
      set(LAUNCHER_NOT_RUN_REASON "this machine cannot run 32-bit Linux programs, natively or \
under qemu-i386 (LAUNCHER_32BIT_EXECUTION=${LAUNCHER_32BIT_EXECUTION})")
    endif()
  endif()
  if(NOT LAUNCHER_TARGET_EXECUTION MATCHES "^(wine|emulated)$")
    set(CMAKE_CROSSCOMPILING_EMULATOR "")
  endif()
elseif(WIN32)
  if(EXISTS /usr/lib/wine/wine64)
    set(LAUNCHER_TARGET_EXECUTION wine)
  else()
    set(LAUNCHER_TARGET_EXECUTION none)
    set(LAUNCHER_NOT_RUN_REASON "no wine64 to run 64-bit Windows programs (Debian: wine64)")
    set(CMAKE_CROSSCOMPILING_EMULATOR "")
  endif()
else()
  set(LAUNCHER_TARGET_EXECUTION none)
  set(LAUNCHER_NOT_RUN_REASON "nothing here runs ${CMAKE_SYSTEM_NAME} ${CMAKE_SYSTEM_PROCESSOR} \
programs")
endif()
if(LAUNCHER_NOT_RUN_REASON)
  set(LAUNCHER_TARGET_RUNS FALSE)
  message(STATUS "Target programs: not run here: ${LAUNCHER_NOT_RUN_REASON}")
else()
  set(LAUNCHER_TARGET_RUNS TRUE)
  message(STATUS "Target programs: run here (${LAUNCHER_TARGET_EXECUTION})")
endif()

# Sets <var> to a command that prints the line "skipped: <reason>", whatever arguments follow it; a
# test running it is reported as skipped once launcher_mark_skips() has run in its directory.
# A semicolon in the reason is escaped, or the command's list would split the reason there.
function(launcher_skip_command var reason)
  string(REPLACE ";" "\\;" reason "${reason}")
  set(${var} ${CMAKE_COMMAND} "-DREASON=${reason}"
      -P ${PROJECT_SOURCE_DIR}/cmake/report-skipped.cmake PARENT_SCOPE)
endfunction()

# Registers each of NAMES as a test that reports itself skipped with REASON, with LABELS if given:
# a test that cannot run here keeps its name.
function(launcher_add_skipped_tests)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "REASON" "NAMES;LABELS")
  launcher_skip_command(skip "${arg_REASON}")
  foreach(name IN LISTS arg_NAMES)
    add_test(NAME ${name} COMMAND ${skip})
    set_tests_properties(${name} PROPERTIES SKIP_REGULAR_EXPRESSION "^skipped: ")
    if(arg_LABELS)
      set_tests_properties(${name} PROPERTIES LABELS "${arg_LABELS}")
    endif()
  endforeach()
endfunction()

# Makes every test that runs `target` report itself skipped with LAUNCHER_NOT_RUN_REASON, where the
# target's programs cannot run here: the skip command stands in for the emulator that would run it.
# The tests still need SKIP_REGULAR_EXPRESSION (launcher_mark_skips()).
function(launcher_skip_when_not_run target)
  if(NOT LAUNCHER_TARGET_RUNS)
    launcher_skip_command(skip "${LAUNCHER_NOT_RUN_REASON}")
    set_property(TARGET ${target} PROPERTY CROSSCOMPILING_EMULATOR ${skip})
  endif()
endfunction()

# Every test of the current directory whose output starts with "skipped: " counts as skipped, not
# as passed. Call it at the end of a directory that registers such commands.
function(launcher_mark_skips)
  get_property(tests DIRECTORY PROPERTY TESTS)
  if(tests)
    set_tests_properties(${tests} PROPERTIES SKIP_REGULAR_EXPRESSION "^skipped: ")
  endif()
endfunction()

# Registers the GoogleTest cases of <target>, each named after the suite (the folder under tests/)
# and then the case: <suite>.<TestSuite>.<Test>. Where the target's programs run, the cases are
# discovered by running it before the tests (the timeout covers a wine prefix's first start).
# Elsewhere they are read from its sources and each is reported skipped, by name, with the reason.
function(launcher_add_gtest target)
  get_filename_component(suite ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  if(LAUNCHER_TARGET_RUNS)
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 300
                         TEST_PREFIX ${suite}.)
    return()
  endif()
  launcher_skip_when_not_run(${target})
  # The cases are defined in its C++ sources; headers, generated ones among them, define none.
  get_target_property(sources ${target} SOURCES)
  list(FILTER sources INCLUDE REGEX "\\.(cpp|cc)$")
  gtest_add_tests(TARGET ${target} SOURCES ${sources} SKIP_DEPENDENCY TEST_PREFIX ${suite}.
                  TEST_LIST tests)
  set_tests_properties(${tests} PROPERTIES SKIP_REGULAR_EXPRESSION "^skipped: ")
endfunction()
