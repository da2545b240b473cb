# launcher-tablegen end to end: seeded generation is reproducible to the byte and the default set
# keeps its bytes, the default construction is the hardened one, known answers come beside the set
# without changing it and equal those made later for the same set and seed, a key file or standard
# input gives the same set as --key, and `audit` names the leaks of a plain set with exit status 1,
# passes hardened sets with 0 and reports unusable files with 2; a command line the tool does not
# understand is refused with the usage and status 2, a key that is not one and a file that cannot be
# written with what is wrong and status 2, and a failed write of several files writes none of them;
# the build's audit step warns about a leaking set without failing.
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

# Known answers beside the set: the same seed gives the same set as without them, and the same
# vectors again; one vector per line in the documented format, the empty one as "- -".
tablegen(0 generate --key ${key} --seed "seed one" --known-answers ${WORK_DIR}/a-answers.txt
         --output ${WORK_DIR}/a2.bin)
tablegen(0 generate --key ${key} --seed "seed one" --output ${WORK_DIR}/a3.bin
         --known-answers ${WORK_DIR}/a3-answers.txt)
file(SHA256 ${WORK_DIR}/a2.bin a2)
if(NOT a2 STREQUAL a)
  message(FATAL_ERROR "--known-answers changed the seeded set")
endif()
file(SHA256 ${WORK_DIR}/a-answers.txt answers_a)
file(SHA256 ${WORK_DIR}/a3-answers.txt answers_a3)
if(NOT answers_a STREQUAL answers_a3)
  message(FATAL_ERROR "the same seed gave different known answers")
endif()
file(STRINGS ${WORK_DIR}/a-answers.txt vectors REGEX "^cfb ")
list(LENGTH vectors count)
if(NOT count EQUAL 5)
  message(FATAL_ERROR "expected 5 known answers, found ${count}:\n${vectors}")
endif()
list(GET vectors 0 empty_vector)
expect_match("${empty_vector}" "^cfb [0-9a-f]+ - -$")
foreach(vector IN LISTS vectors)
  expect_match("${vector}" "^cfb [0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f] ([0-9a-f]+|-) ([0-9a-f]+|-)$")
endforeach()
# The known answers of a set made earlier are, for the same key and seed, exactly those `generate`
# wrote beside it; without a seed, fresh ones.
tablegen(0 known-answers --key ${key} --tables ${WORK_DIR}/a.bin --seed "seed one"
         --output ${WORK_DIR}/alone.txt)
file(SHA256 ${WORK_DIR}/alone.txt answers_alone)
if(NOT answers_alone STREQUAL answers_a)
  message(FATAL_ERROR "known-answers --seed wrote other vectors than generate --seed")
endif()
tablegen(0 known-answers --key ${key} --tables ${WORK_DIR}/a.bin --output ${WORK_DIR}/fresh.txt)
file(STRINGS ${WORK_DIR}/fresh.txt fresh REGEX "^cfb ")
list(LENGTH fresh count)
file(SHA256 ${WORK_DIR}/fresh.txt answers_fresh)
if(count LESS 5 OR answers_fresh STREQUAL answers_a)
  message(FATAL_ERROR "known-answers without a seed wrote ${count} vectors, the seed's own or fewer than 5")
endif()

# The seeded stream is fixed for good: the default set of a build (its key and seed) keeps its
# bytes, whatever computes the stream.
tablegen(0 generate --key 000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f
         --seed "launcher development seed" --output ${WORK_DIR}/default.bin)
file(SHA256 ${WORK_DIR}/default.bin default_set)
if(NOT default_set STREQUAL "047a6a7c063b4dccfa219fa6202a8303b5629ade5809c4f9c8ac328f37c63796")
  message(FATAL_ERROR "the default set's SHA-256 is now ${default_set}")
endif()

# What the tool does not understand is refused before anything is written: status 2, the reason
# and the usage on standard error.
function(refused reason)
  file(REMOVE ${WORK_DIR}/refused.bin ${WORK_DIR}/refused.txt)
  tablegen(2 ${ARGN})
  expect_match("${err}" "^launcher-tablegen: ${reason}\nusage:\n  launcher-tablegen generate ")
  if(EXISTS ${WORK_DIR}/refused.bin OR EXISTS ${WORK_DIR}/refused.txt)
    message(FATAL_ERROR "launcher-tablegen ${ARGN} wrote a file although it refused the command")
  endif()
endfunction()
refused("unknown flag '--sed'" generate --key ${key} --sed x --output ${WORK_DIR}/refused.bin)
refused("unknown flag '--seeds'" generate --key ${key} --seeds x --output ${WORK_DIR}/refused.bin)
refused("'--seed' needs a value" generate --key ${key} --output ${WORK_DIR}/refused.bin --seed)
refused("'--seed' needs a value" generate --key ${key} --seed --output ${WORK_DIR}/refused.bin)
refused("'--key' given twice" generate --key ${key} --key ${key} --output ${WORK_DIR}/refused.bin)
refused("'--verbose' given twice"
        generate --key ${key} --verbose --verbose --output ${WORK_DIR}/refused.bin)
refused("unexpected argument 'extra'" generate --key ${key} --output ${WORK_DIR}/refused.bin extra)
refused("generate needs --output" generate --key ${key} --known-answers ${WORK_DIR}/refused.txt)
refused("generate needs --key or --key-file" generate --output ${WORK_DIR}/refused.bin)
refused("give --key or --key-file, not both"
        generate --key ${key} --key-file ${WORK_DIR}/key.hex --output ${WORK_DIR}/refused.bin)
refused("unknown flag '--construction'"
        known-answers --key ${key} --construction plain --output ${WORK_DIR}/refused.txt)
refused("'--output' given twice"
        known-answers --key ${key} --output ${WORK_DIR}/refused.txt --output ${WORK_DIR}/x.txt)
refused("unknown flag '--table'" embed --table ${WORK_DIR}/a.bin --distribution-key ${key}
        --output-dir ${WORK_DIR})
refused("'--output-dir' needs a value" embed --tables ${WORK_DIR}/a.bin --output-dir)
refused("unknown flag '--verbose'" audit --verbose)
refused("audit takes exactly one FILE" audit ${WORK_DIR}/a.bin ${WORK_DIR}/c.bin)
refused("unknown command 'generat'" generat --key ${key} --output ${WORK_DIR}/refused.bin)
refused("unknown command 'dca'" dca --tables ${WORK_DIR}/a.bin --key ${key})  # launcher-dca's
refused("no command")

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
expect_match("${err}" "^launcher-tablegen: cannot read ${WORK_DIR}/missing.bin: No such file or directory\n$")
tablegen(2 audit)
tablegen(2 generate --key ${key} --construction mystery --output ${WORK_DIR}/e.bin)
expect_match("${err}" "unknown construction 'mystery'")

# The key from a file or standard input, white space around it ignored: the set of --key.
file(WRITE ${WORK_DIR}/key.hex "${key}\n")
tablegen(0 generate --key-file ${WORK_DIR}/key.hex --seed "seed one" --output ${WORK_DIR}/f.bin)
execute_process(COMMAND "${TABLEGEN}" generate --key-file - --seed "seed one"
                        --output ${WORK_DIR}/g.bin
                INPUT_FILE ${WORK_DIR}/key.hex RESULT_VARIABLE rc)
file(SHA256 ${WORK_DIR}/f.bin f)
file(SHA256 ${WORK_DIR}/g.bin g)
if(NOT rc EQUAL 0 OR NOT f STREQUAL a OR NOT g STREQUAL a)
  message(FATAL_ERROR "--key-file (status 0) or --key-file - (status ${rc}) gave another set")
endif()

# A refused key or an unwritable file: the whole message, status 2, and no file written or changed.
function(refused_input message)
  file(WRITE ${WORK_DIR}/kept.bin "old")
  tablegen(2 ${ARGN})
  if(NOT err STREQUAL "launcher-tablegen: ${message}\n")
    message(FATAL_ERROR "launcher-tablegen ${ARGN}:\n${err}expected:\n${message}")
  endif()
  file(READ ${WORK_DIR}/kept.bin kept)
  file(GLOB left LIST_DIRECTORIES false ${WORK_DIR}/*.partial ${WORK_DIR}/late.txt)
  if(NOT kept STREQUAL "old" OR left)
    message(FATAL_ERROR "launcher-tablegen ${ARGN} changed kept.bin or left ${left}")
  endif()
endfunction()
string(SUBSTRING ${key} 1 63 short_key)
refused_input("the key must be 64 hexadecimal digits: it has 63"
              generate --key ${short_key} --output ${WORK_DIR}/kept.bin)
string(SUBSTRING ${key} 0 9 head)
string(SUBSTRING ${key} 10 54 tail)
refused_input("the key must be 64 hexadecimal digits: character 10 is 'g', not a hexadecimal digit"
              known-answers --key ${head}g${tail} --tables ${WORK_DIR}/a.bin
              --output ${WORK_DIR}/kept.bin)
file(WRITE ${WORK_DIR}/spaced.hex "${head} ${tail}")
refused_input("the key in ${WORK_DIR}/spaced.hex must be 64 hexadecimal digits: character 10 is 0x20, not a hexadecimal digit"
              generate --key-file ${WORK_DIR}/spaced.hex --output ${WORK_DIR}/kept.bin)
refused_input("cannot read ${WORK_DIR}/no-key.hex: No such file or directory"
              generate --key-file ${WORK_DIR}/no-key.hex --output ${WORK_DIR}/kept.bin)
refused_input("cannot write ${WORK_DIR}/no-folder/answers.txt: its folder ${WORK_DIR}/no-folder does not exist"
              generate --key ${key} --output ${WORK_DIR}/kept.bin
              --known-answers ${WORK_DIR}/no-folder/answers.txt)
refused_input("cannot write ${WORK_DIR}: it is a folder, not a file"
              generate --key ${key} --known-answers ${WORK_DIR}/kept.bin --output ${WORK_DIR})
# The second file fails once writing has begun (a folder holds its temporary name): the first,
# already written aside, must not replace kept.bin.
file(MAKE_DIRECTORY ${WORK_DIR}/late.txt.partial)
refused_input("cannot write ${WORK_DIR}/late.txt: Is a directory"
              generate --key ${key} --output ${WORK_DIR}/kept.bin --known-answers ${WORK_DIR}/late.txt)

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
