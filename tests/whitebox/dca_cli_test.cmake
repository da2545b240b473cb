# launcher-tablegen dca refuses with status 2, before any attack, what it cannot analyse: a set that
# does not compute AES-256 under the key given (a pass there would vouch for nothing), a trace count
# out of range, a missing key, a file it cannot read.
#   cmake -DTABLEGEN=<launcher-tablegen> -DWORK_DIR=<scratch directory> -P dca_cli_test.cmake
set(key 603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4)
set(other_key 603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff5)
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
set(tables ${WORK_DIR}/tables.bin)

# Runs the tool; fails unless it exits with `expected` and its standard error matches `pattern`.
function(tablegen expected pattern)
  execute_process(COMMAND "${TABLEGEN}" ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE stdout
                  ERROR_VARIABLE stderr)
  if(NOT rc STREQUAL "${expected}" OR NOT stderr MATCHES "${pattern}")
    message(FATAL_ERROR "launcher-tablegen ${ARGN}: exit ${rc}, expected ${expected} and standard "
                        "error matching '${pattern}'\n${stdout}${stderr}")
  endif()
endfunction()

tablegen(0 "" generate --key ${key} --seed dca --output ${tables})
tablegen(2 "${tables} does not compute AES-256 under this key"
         dca --tables ${tables} --key ${other_key} --traces 16)
foreach(count 0 65537 12x)
  tablegen(2 "--traces must be a whole number from 1 to 65536"
           dca --tables ${tables} --key ${key} --traces ${count})
endforeach()
tablegen(2 "dca needs --key or --key-file.*usage:.*launcher-tablegen dca --tables FILE \\(--key HEX64"
         dca --tables ${tables})
tablegen(2 "cannot read ${WORK_DIR}/missing.bin"
         dca --tables ${WORK_DIR}/missing.bin --key ${key})
