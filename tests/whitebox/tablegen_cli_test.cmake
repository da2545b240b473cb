# launcher-tablegen end to end: seeded generation is reproducible to the byte, the default
# construction is the hardened one, and `audit` names the leaks of a plain set with exit status 1,
# passes hardened sets with 0 and reports unusable files with 2; the build's audit step warns
# about a leaking set without failing.
#   cmake -DTABLEGEN=<launcher-tablegen> -DWORK_DIR=<scratch directory>
#         -DAUDIT_SCRIPT=<cmake/AuditTables.cmake> -P tablegen_cli_test.cmake
set(key 603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4)
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

# Runs the tool; fails unless it exits with `expected`. Leaves stdout and stderr in out and err.
function(tablegen expected)
  execute_process(COMMAND "${TABLEGEN}" ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE stdout
                  ERROR_VARIABLE stderr)
  if(NOT rc STREQUAL "${expected}")
    message(FATAL_ERROR "launcher-tablegen ${ARGN}: exit ${rc}, expected ${expected}\n"
                        "${stdout}${stderr}")
  endif()
  set(out "${stdout}" PARENT_SCOPE)
  set(err "${stderr}" PARENT_SCOPE)
endfunction()

function(expect_match text regex)
  if(NOT text MATCHES "${regex}")
    message(FATAL_ERROR "expected output matching '${regex}', got:\n${text}")
  endif()
endfunction()

tablegen(0 generate --key ${key} --seed "seed one" --output ${WORK_DIR}/a.bin --verbose)
expect_match("${err}" "hardened set \\(seeded\\) built in [0-9.]+ ms")
tablegen(0 generate --key ${key} --seed "seed one" --output ${WORK_DIR}/b.bin)
tablegen(0 generate --key ${key} --seed "seed two" --output ${WORK_DIR}/c.bin)
tablegen(0 generate --key ${key} --output ${WORK_DIR}/d.bin)
tablegen(0 generate --key ${key} --construction plain --output ${WORK_DIR}/plain.bin)
foreach(name a b c d plain)
  file(SHA256 ${WORK_DIR}/${name}.bin ${name})
  file(SIZE ${WORK_DIR}/${name}.bin size)
  if(NOT size EQUAL 749568)
    message(FATAL_ERROR "${name}.bin is ${size} bytes")
  endif()
endforeach()
if(NOT a STREQUAL b)
  message(FATAL_ERROR "the same seed gave different files")
endif()
if(a STREQUAL c OR a STREQUAL d)
  message(FATAL_ERROR "a different seed, or none, gave the same file")
endif()

tablegen(1 audit ${WORK_DIR}/plain.bin)
expect_match("${out}" "LEAK: TboxesLast\\[0\\] = S\\(x \\^ 0x[0-9a-f][0-9a-f]\\) \\^ 0x[0-9a-f][0-9a-f]\n")
expect_match("${out}" "LEAK: AES-256 key rebuilt from TboxesLast: ${key}\n")
expect_match("${out}" "LEAK: Tyboxes\\[12\\]\\[15\\] byte 0 = ")
expect_match("${out}" "LEAK: Xor\\[0\\]: 96 of 96 tables compute plain XOR")
expect_match("${out}" "\nFAIL: [^\n]*\n$")
foreach(name a c d)
  tablegen(0 audit ${WORK_DIR}/${name}.bin)
  expect_match("${out}" "^PASS: [^\n]*\n$")
endforeach()

file(WRITE ${WORK_DIR}/short.bin "12345")
tablegen(2 audit ${WORK_DIR}/short.bin)
expect_match("${err}" "short.bin is 5 bytes, expected 749568")
tablegen(2 audit ${WORK_DIR}/missing.bin)
tablegen(2 audit)
tablegen(1 generate --key ${key} --construction mystery --output ${WORK_DIR}/e.bin)
expect_match("${err}" "unknown construction 'mystery'")

# The build's audit step warns about a leaking set without failing, and reports a passing one.
function(build_audit tables)
  execute_process(COMMAND "${CMAKE_COMMAND}" -DTABLEGEN=${TABLEGEN} -DTABLES=${tables}
                          -DREPORT=${WORK_DIR}/report.txt -P "${AUDIT_SCRIPT}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE stdout ERROR_VARIABLE stderr)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "the build's audit step failed on ${tables}:\n${stdout}${stderr}")
  endif()
  set(out "${stdout}${stderr}" PARENT_SCOPE)
endfunction()
build_audit(${WORK_DIR}/plain.bin)
expect_match("${out}" "CMake Warning.*GIVES ITS KEY AWAY")
if(out MATCHES "${key}")
  message(FATAL_ERROR "the build's audit warning shows the key itself:\n${out}")
endif()
file(READ ${WORK_DIR}/report.txt report)
expect_match("${report}" "LEAK: TboxesLast\\[15\\]")
expect_match("${report}" "AES-256 key rebuilt from TboxesLast: ${key}")
build_audit(${WORK_DIR}/a.bin)
expect_match("${out}" "White-box table audit: PASS: ")
if(out MATCHES "Warning")
  message(FATAL_ERROR "the build's audit step warned about a hardened set:\n${out}")
endif()
