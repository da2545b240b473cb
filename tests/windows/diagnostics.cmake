# What launcher.exe tells a user who cannot see why it did not start: the loader's reason on
# standard error, and the trace without standard handles or on the terminal that started it.
# Included by this folder's CMakeLists.txt; uses its installation folders and JVM path (_installs,
# _client, _jvm_file, _jvm_pattern), its runners (_run, _wine, _wrong_arch_run, _stand_in_run: a
# skip command where the test cannot run), _expected and _not_loadable.

# The loader's reason follows the unchanged trace on standard error, as the system error code and
# message, e.g. for a jvm.dll whose own dependency is missing.
set(_missing_dependency ${_installs}/missing-dependency/${_client})
file(MAKE_DIRECTORY ${_missing_dependency})
add_custom_command(TARGET fake_jvm POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:fake_jvm> ${_missing_dependency}/${_jvm_file}
  VERBATIM)
set(_unable "Unable to load JVM at ${_jvm_pattern}: ")
add_test(NAME windows.loader_names_the_missing_dependency_of_the_jvm
  COMMAND ${_run} --cwd ${_installs}/missing-dependency
          --expect ${_not_loadable} --status 0
          --expect-stderr "${_unable}error 126: [^\n]+\n" -- tarn)
add_test(NAME windows.loader_reason_for_a_file_that_is_not_a_library
  COMMAND ${_run} --cwd ${_installs}/not-a-dll
          --expect ${_not_loadable} --status 0
          --expect-stderr "${_unable}error 193: [^\n]+\n" -- tarn)
add_test(NAME windows.loader_reason_for_a_library_of_the_other_architecture
  COMMAND ${_wrong_arch_run} --cwd ${_installs}/wrong-arch
          --expect ${_not_loadable} --status 0
          --expect-stderr "${_unable}error 193: [^\n]+\n" -- tarn)
add_test(NAME windows.loader_reason_for_a_missing_jvm
  COMMAND ${_run} --cwd ${CMAKE_CURRENT_BINARY_DIR}
          --expect ${_not_loadable} --status 0
          --expect-stderr "${_unable}error 126: [^\n]+\n" -- tarn)
# With its standard handles the launcher writes nothing to the debugger: wine would report it on
# standard error, which must hold the loader's reason alone.
set_tests_properties(windows.loader_reason_for_a_missing_jvm PROPERTIES
                     ENVIRONMENT LAUNCHER_WINEDEBUG=-all,+debugstr)
add_test(NAME windows.loader_reason_for_a_library_without_entry_point
  COMMAND ${_run} --cwd ${_installs}/no-entry-point
          --expect ${_expected}/jvm-without-entry-point.txt --status 0
          --expect-stderr
          "Unable to find JNI_CreateJavaVM in ${_jvm_pattern}: error 127: [^\n]+\n"
          -- tarn)

# Programs that start launcher.exe without standard handles: detached, as Explorer does, and from
# a terminal, as a shell does.
add_executable(start_without_console start_without_console.cpp)
target_link_options(start_without_console PRIVATE -municode)
add_executable(report_standard_handles WIN32 report_standard_handles.cpp)
set(_starter $<TARGET_FILE:start_without_console>)
set(_reports ${CMAKE_CURRENT_BINARY_DIR}/reports)
file(MAKE_DIRECTORY ${_reports})

# launcher_detached_test(<name> REPORT <file> EXPECT <regex> COMMAND <program> [args...]
#                        [SEEN <file> SEEN_EXPECT <regex>] [DEBUGGER_EXPECT <regex>])
# Starts the command detached, without standard handles; the report of start_without_console
# must match EXPECT, the file SEEN, which the command writes, SEEN_EXPECT, and what the programs
# wrote to the debugger, as wine reports it, DEBUGGER_EXPECT.
function(launcher_detached_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "REPORT;EXPECT;SEEN;SEEN_EXPECT;DEBUGGER_EXPECT"
                        "COMMAND")
  set(_debugger)
  if(DEFINED arg_DEBUGGER_EXPECT)
    set(_debugger "-DDEBUGGER_EXPECT=${arg_DEBUGGER_EXPECT}")
  endif()
  if(NOT LAUNCHER_TARGET_RUNS)
    add_test(NAME windows.${name} COMMAND ${_wine})
    return()
  endif()
  add_test(NAME windows.${name}
    COMMAND ${CMAKE_COMMAND} -DWINE=${CMAKE_CROSSCOMPILING_EMULATOR} -DSTARTER=${_starter}
            -DREPORT=${_reports}/${arg_REPORT} "-DEXPECT=${arg_EXPECT}" "-DCOMMAND=${arg_COMMAND}"
            -DSEEN=${arg_SEEN} "-DSEEN_EXPECT=${arg_SEEN_EXPECT}" ${_debugger}
            -P ${CMAKE_CURRENT_SOURCE_DIR}/run_detached.cmake)
endfunction()
# The way of starting really leaves the program without any standard handle.
launcher_detached_test(detached_start_gives_no_standard_handles REPORT handles.txt
  EXPECT "^exit status 0\n$"
  COMMAND $<TARGET_FILE:report_standard_handles> ${_reports}/handles-seen.txt
  SEEN ${_reports}/handles-seen.txt SEEN_EXPECT "^input none\noutput none\nerror none\n")
launcher_detached_test(launcher_without_standard_handles_default_catalogue REPORT default.txt
  EXPECT "^exit status 0\n$" COMMAND $<TARGET_FILE:launcher> tarn)
# Without standard handles the trace goes to the debugger, up to the reason start-up stopped.
launcher_detached_test(launcher_without_standard_handles_traces_to_the_debugger
  REPORT debugger.txt EXPECT "^exit status 0\n$" COMMAND $<TARGET_FILE:launcher> tarn
  DEBUGGER_EXPECT "OutputDebugStringA \"Initializing Java in CPP :  [^\"]*jvm[.]dll.n\"\
.*OutputDebugStringA \"Unable to load JVM at [^\"]*jvm[.]dll, exiting.n\"\
.*OutputDebugStringA \"Unable to load JVM at [^\"]*jvm[.]dll: error 126: ")
launcher_detached_test(launcher_without_standard_handles_broken_catalogue REPORT broken.txt
  EXPECT "^exit status -1\n$" COMMAND $<TARGET_FILE:launcher_broken_catalogue> lum)

# From a terminal (a pseudo-terminal, on which wine gives console programs a console): the trace
# reaches the terminal although nothing was redirected.
set(_terminal_run ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/run_in_terminal.py
                  --wine ${CMAKE_CROSSCOMPILING_EMULATOR})
if(NOT LAUNCHER_TARGET_RUNS)
  set(_terminal_run ${_wine})
endif()
add_test(NAME windows.launcher_from_a_terminal_writes_its_trace_there
  COMMAND ${_terminal_run} --expect ${_not_loadable} --catalogue ${LAUNCHER_CATALOGUE_DIR}/tarn.json
          --status-report ${_reports}/terminal.txt --status 0
          -- ${_starter} ${_reports}/terminal.txt console $<TARGET_FILE:launcher> tarn)
set_tests_properties(windows.launcher_from_a_terminal_writes_its_trace_there PROPERTIES
                     RUN_SERIAL ON)

# With the stand-in JVM: the application's own lines, written straight to the standard handle as
# a Java runtime writes System.out, stand in the redirected stream in true order with the trace,
# and a process killed right after the application's last line (TerminateProcess: nothing is
# flushed at exit) has kept every trace line before it. Started without standard handles, the
# launcher still runs the natives and ends with the status the application chooses.
add_test(NAME windows.stand_in_jvm_tarn_trace_in_true_order_when_terminated
  COMMAND ${_stand_in_run} --catalogue ${LAUNCHER_CATALOGUE_DIR}/tarn.json
          --expect ${_expected}/stand-in-jvm-terminated.txt --terminate 29 tarn)
add_test(NAME windows.stand_in_jvm_lum_without_standard_handles
  COMMAND ${_stand_in_run} --catalogue ${LAUNCHER_CATALOGUE_DIR}/lum.json
          --expect ${_expected}/stand-in-jvm-exit.txt --status 23 --detached ${_starter} lum)
set_tests_properties(windows.stand_in_jvm_tarn_trace_in_true_order_when_terminated
                     windows.stand_in_jvm_lum_without_standard_handles
                     PROPERTIES LABELS stand-in-vm)
