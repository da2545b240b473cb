# Runs launcher-catalogue-check and compares its whole standard output with a
# file, and its exit status with a number. Standard error must be empty,
# except with no files, when it must be exactly the usage line.
#   -DTOOL= -DFILES=a|b|... -DWORKDIR= -DEXPECTED_EXIT= -DEXPECTED_STDOUT=
string(REPLACE "|" ";" _files "${FILES}")
execute_process(COMMAND ${TOOL} ${_files}
                WORKING_DIRECTORY ${WORKDIR}
                RESULT_VARIABLE _exit
                OUTPUT_VARIABLE _out
                ERROR_VARIABLE _err)
file(READ ${EXPECTED_STDOUT} _expected)
if(NOT _out STREQUAL _expected)
    message(FATAL_ERROR "standard output differs.\n--- expected\n${_expected}--- actual\n${_out}---")
endif()
if(NOT _exit STREQUAL EXPECTED_EXIT)
    message(FATAL_ERROR "exit status ${_exit}, expected ${EXPECTED_EXIT}")
endif()
if(_files)
    set(_expected_err "")
else()
    set(_expected_err "usage: launcher-catalogue-check [--allow-unstartable] FILE...\n")
endif()
if(NOT _err STREQUAL _expected_err)
    message(FATAL_ERROR "standard error differs: [${_err}]")
endif()
