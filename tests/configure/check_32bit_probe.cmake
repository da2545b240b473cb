# The probe of how this machine runs 32-bit programs, on a machine made to look as if its kernel
# could not execute them: the -m32 compiler it probes with (CC) writes a file that is not a program
# the kernel can execute ("Exec format error"), and PATH holds no qemu-i386.
#   auto      answers "none none"
#   native    is refused at once, status 2, with the reason
#   emulated  is refused at once, naming the missing emulator
#   cmake -DPROBE= -DWORK_DIR= -P check_32bit_probe.cmake
set(failures "")
set(bin ${WORK_DIR}/bin)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${bin})
# The compiler stand-in: writes an ELF magic number and nothing else to the file after -o.
file(WRITE ${WORK_DIR}/cc [=[#!/bin/sh
while [ $# -gt 0 ]; do
  if [ "$1" = -o ]; then printf '\177ELF\001\001\001' >"$2"; chmod +x "$2"; fi
  shift
done
]=])
file(CHMOD ${WORK_DIR}/cc PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
# Only what the probe needs besides its shell's built-ins.
foreach(tool mktemp rm chmod)
  find_program(path_${tool} ${tool} REQUIRED)
  file(CREATE_LINK ${path_${tool}} ${bin}/${tool} SYMBOLIC)
endforeach()

function(probe mode expected_status expected_output expected_error)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env --unset=LAUNCHER_32BIT_EXECUTION PATH=${bin}
            CC=${WORK_DIR}/cc /bin/sh ${PROBE} ${mode}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status STREQUAL expected_status OR NOT out STREQUAL expected_output OR
     NOT err STREQUAL expected_error)
    string(APPEND failures "\n  ${mode}: status ${status}, output [${out}], error [${err}]; "
                           "expected ${expected_status}, [${expected_output}], [${expected_error}]")
    set(failures "${failures}" PARENT_SCOPE)
  endif()
endfunction()

probe(auto 0 "none none\n" "")
probe(native 2 "" "probe-32bit-execution.sh: LAUNCHER_32BIT_EXECUTION=native cannot be had here: \
this kernel does not execute 32-bit x86 programs\n")
probe(emulated 2 "" "probe-32bit-execution.sh: LAUNCHER_32BIT_EXECUTION=emulated cannot be had \
here: no qemu-i386 (Debian: qemu-user)\n")
probe(sometimes 2 "" "probe-32bit-execution.sh: unknown mode 'sometimes' (auto, native, emulated or \
none)\n")

if(failures)
  message(FATAL_ERROR "the probe answered wrongly:${failures}")
endif()
