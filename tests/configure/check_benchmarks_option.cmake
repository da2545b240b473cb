# Configures fresh trees of the project (tests off, so each takes about a second) and checks what
# LAUNCHER_BUILD_BENCHMARKS does:
#   AUTO without the package: configures, says so, and generates no benchmark directory;
#   AUTO with whatever this machine has: says "built" iff it generates the benchmark directory;
#   ON without the package: the configure step fails, naming the package;
#   OFF: configures, says so, no benchmark directory, whether or not the package exists.
#   cmake -DSOURCE_DIR= -DWORK_DIR= -DGENERATOR= -DTOOLCHAIN_FILE= -DWITHOUT_BENCHMARK=
#         -P check_benchmarks_option.cmake
set(failures "")

# Configures tree `name` with the given -D arguments; sets `status` and `output` (stdout and stderr).
function(configure name)
  set(tree ${WORK_DIR}/${name})
  file(REMOVE_RECURSE ${tree})
  set(toolchain "")
  if(TOOLCHAIN_FILE)
    set(toolchain -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE})
  endif()
  execute_process(
    COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${tree} -G ${GENERATOR} ${toolchain}
            -DLAUNCHER_BUILD_TESTS=OFF ${ARGN}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(status ${result} PARENT_SCOPE)
  set(output "${out}${err}" PARENT_SCOPE)
endfunction()

macro(fail name)
  string(APPEND failures "\n  ${name}: ${ARGN}")
endmacro()

set(without -DCMAKE_MODULE_PATH=${WITHOUT_BENCHMARK})
set(not_found "-- Benchmarks: not built (Google Benchmark not found; Debian: libbenchmark-dev)")
set(off "-- Benchmarks: not built (LAUNCHER_BUILD_BENCHMARKS=OFF)")

# The line the configure step printed about the benchmarks, or empty.
macro(benchmarks_line)
  string(REGEX MATCH "-- Benchmarks: [^\n]*" said "${output}")
endmacro()

configure(auto_without ${without})
benchmarks_line()
if(NOT status EQUAL 0)
  fail(auto_without "configure failed (${status}):\n${output}")
elseif(NOT said STREQUAL not_found)
  fail(auto_without "said '${said}', expected '${not_found}'")
endif()
if(EXISTS ${WORK_DIR}/auto_without/bench)
  fail(auto_without "generated bench/")
endif()

configure(auto_default)
benchmarks_line()
if(NOT status EQUAL 0)
  fail(auto_default "configure failed (${status}):\n${output}")
elseif(EXISTS ${WORK_DIR}/auto_default/bench)
  if(NOT said MATCHES "^-- Benchmarks: built \\(Google Benchmark [0-9.]+ found\\)$")
    fail(auto_default "generated bench/ but said '${said}'")
  endif()
elseif(NOT said STREQUAL not_found)
  fail(auto_default "generated no bench/ but said '${said}'")
endif()

configure(on_without ${without} -DLAUNCHER_BUILD_BENCHMARKS=ON)
if(status EQUAL 0)
  fail(on_without "configured without the package")
elseif(NOT output MATCHES "Could NOT find benchmark")
  fail(on_without "failed without 'Could NOT find benchmark':\n${output}")
endif()

foreach(case off_without off_default)
  if(case STREQUAL off_without)
    configure(${case} ${without} -DLAUNCHER_BUILD_BENCHMARKS=OFF)
  else()
    configure(${case} -DLAUNCHER_BUILD_BENCHMARKS=OFF)
  endif()
  benchmarks_line()
  if(NOT status EQUAL 0)
    fail(${case} "configure failed (${status}):\n${output}")
  elseif(NOT said STREQUAL off)
    fail(${case} "said '${said}', expected '${off}'")
  endif()
  if(EXISTS ${WORK_DIR}/${case}/bench)
    fail(${case} "generated bench/")
  endif()
endforeach()

if(failures)
  message(FATAL_ERROR "LAUNCHER_BUILD_BENCHMARKS:${failures}")
endif()
message(STATUS "LAUNCHER_BUILD_BENCHMARKS: 5 configurations as expected")
