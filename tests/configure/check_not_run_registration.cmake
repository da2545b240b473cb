# Configures fresh 32-bit trees as a machine that cannot run 32-bit code would (forced "none"), with
# their tests, and checks that every test is still registered under its own name and that those
# needing 32-bit execution report themselves skipped with the reason, without anything built:
#   mingw-i686  GoogleTest cases read from the sources, the stand-in JVM runs, the front-end runs;
#   linux-i686  the JVM scenarios and the demo runs.
#   cmake -DSOURCE_DIR= -DWORK_DIR= -DGENERATOR= -P check_not_run_registration.cmake
set(failures "")

# Configures `preset`'s toolchain into WORK_DIR/<preset> with LAUNCHER_32BIT_EXECUTION=none, then
# runs the tests matching `regex` there, all of which run 32-bit programs: each listed name must be
# registered, and every test run must be skipped, with `reason`.
function(check preset regex reason)
  set(tree ${WORK_DIR}/${preset})
  file(REMOVE_RECURSE ${tree})
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env LAUNCHER_32BIT_EXECUTION=none
            ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${tree} -G ${GENERATOR}
            -DCMAKE_TOOLCHAIN_FILE=${SOURCE_DIR}/cmake/toolchain-${preset}.cmake
            -DLAUNCHER_BUILD_BENCHMARKS=OFF
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    string(APPEND failures "\n  ${preset}: configure failed (${status}):\n${out}${err}")
    set(failures "${failures}" PARENT_SCOPE)
    return()
  endif()
  execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir ${tree} -R "${regex}" -V
                  OUTPUT_VARIABLE out ERROR_VARIABLE err)
  foreach(name IN LISTS ARGN)
    if(NOT out MATCHES "Test +#[0-9]+: ${name} [.]+\\*\\*\\*Skipped")
      string(APPEND failures "\n  ${preset}: ${name} not registered and skipped")
    endif()
  endforeach()
  string(REGEX MATCHALL "tests failed out of [0-9]+" total "${out}")
  string(REGEX MATCHALL "\\(Skipped\\)" skipped "${out}")
  list(LENGTH skipped skipped)
  if(NOT total MATCHES " ${skipped}$" OR skipped EQUAL 0)
    string(APPEND failures "\n  ${preset}: ${skipped} skipped, ${total}")
  endif()
  string(FIND "${out}" "skipped: ${reason}" at)
  if(at EQUAL -1)
    string(APPEND failures "\n  ${preset}: no test gave the reason '${reason}'")
  endif()
  set(failures "${failures}" PARENT_SCOPE)
endfunction()

check(mingw-i686 "^(cipher\\.[A-Z*]|frontend\\.([A-Z]|launcher_)|windows\\.stand_in)"
      "this machine cannot run 32-bit Windows programs"
      "cipher\\.Modes\\.EmptyInputWritesNothing" "cipher\\.\\*/EveryPath\\.KnownAnswerVectors/\\*"
      "frontend\\.Utf8Lossy\\.KeepsValidTextUnchanged" "frontend\\.launcher_no_argument"
      "windows\\.stand_in_jvm_tarn_natives_then_system_exit")
check(linux-i686 "^(jvm\\.|demo\\.[a-z]+_runs_)" "this machine cannot run 32-bit Linux programs"
      "jvm\\.success_trace" "jvm\\.launcher_tarn_natives_agree_with_javax_crypto"
      "demo\\.tarn_runs_end_to_end")

if(failures)
  message(FATAL_ERROR "tests not registered as skipped where 32-bit code cannot run:${failures}")
endif()
