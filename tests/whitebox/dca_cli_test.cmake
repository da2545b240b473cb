# launcher-dca refuses with status 2, before any attack, what it cannot analyse: a set that does not
# compute AES-256 under the key given (a pass there would vouch for nothing), a trace count out of
# range, a missing key, a file it cannot read; each message after the program's name.
#   cmake -DDCA=<launcher-dca> -DTABLEGEN=<launcher-tablegen> -DWORK_DIR=<scratch directory>
#         -P dca_cli_test.cmake
set(key 603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4)
set(other_key 603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff5)
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
set(tables ${WORK_DIR}/tables.bin)
execute_process(COMMAND "${TABLEGEN}" generate --key ${key} --seed dca --output ${tables}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "launcher-tablegen generate: exit ${rc}")
endif()

# Runs the analysis; fails unless it exits with status 2 and its standard error matches
# "^launcher-dca: <pattern>".
function(refused pattern)
  execute_process(COMMAND "${DCA}" ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE stdout
                  ERROR_VARIABLE stderr)
  if(NOT rc STREQUAL "2" OR NOT stderr MATCHES "^launcher-dca: ${pattern}")
    message(FATAL_ERROR "launcher-dca ${ARGN}: exit ${rc}, expected 2 and standard error matching "
                        "'^launcher-dca: ${pattern}'\n${stdout}${stderr}")
  endif()
endfunction()

refused("${tables} does not compute AES-256 under this key\n$"
        --tables ${tables} --key ${other_key} --traces 16)
foreach(count 0 65537 12x)
  refused("--traces must be a whole number from 1 to 65536\n$"
          --tables ${tables} --key ${key} --traces ${count})
endforeach()
set(usage "usage:\n  launcher-dca --tables FILE \\(--key HEX64 \\| --key-file FILE\\) \\[--traces N\\]\n")
refused("dca needs --key or --key-file\n${usage}" --tables ${tables})
refused("dca needs --tables\n${usage}")
refused("unknown flag '--trace'\n${usage}" --tables ${tables} --key ${key} --trace 16)
refused("cannot read ${WORK_DIR}/missing.bin" --tables ${WORK_DIR}/missing.bin --key ${key})
