# The deployment data compiled into the launcher: a white-box table set and an encrypted
# distribution key. A deployment passes its own files; they are read at build time and never need
# to enter the source tree.
#
#   LAUNCHER_WHITEBOX_TABLES     table file (LAUNCHER_TABLE_FILE_SIZE bytes, CMakeLists.txt).
#                                Empty: generate one from LAUNCHER_WHITEBOX_KEY at build time.
#   LAUNCHER_WHITEBOX_KEY        64 hex digits; the key of the generated default set (the FIPS-197
#                                AES-256 example key, for development and tests only).
#                                It stands in the cache and on the build's command lines, and the
#                                tests read it: never a deployment's key, whose set is made apart
#                                (launcher-tablegen --key-file) and supplied as
#                                LAUNCHER_WHITEBOX_TABLES.
#   LAUNCHER_WHITEBOX_CONSTRUCTION  construction of the generated set: hardened (default) or plain
#                                (which gives its key away; for comparison and tests only).
#   LAUNCHER_WHITEBOX_SEED       seed of the generated set: the same key and seed give the same
#                                file. Default: a fixed development seed, so builds reproduce.
#                                Empty: fresh randomness from the operating system.
#   LAUNCHER_WHITEBOX_KNOWN_ANSWERS  known answers of the embedded set (launcher-tablegen generate
#                                --known-answers): the build proves the set against them before it
#                                links the launcher. Required with LAUNCHER_WHITEBOX_TABLES. Empty
#                                with a generated set: vectors computed from LAUNCHER_WHITEBOX_KEY.
#                                NONE: no check, with a loud warning (never for a build that ships).
#   LAUNCHER_DISTRIBUTION_KEY    file of LAUNCHER_DISTRIBUTION_KEY_SIZE bytes (CMakeLists.txt);
#                                defaults to a fixed test key.
#
# Sets LAUNCHER_TABLE_FILE and LAUNCHER_DISTRIBUTION_KEY_FILE to the files the build embeds,
# LAUNCHER_KNOWN_ANSWERS_FILE to the known answers it checks them against (empty: none), and
# LAUNCHER_EMBEDDED_DATA_DIR to the folder where the build writes the embedded data.
set(LAUNCHER_WHITEBOX_TABLES "" CACHE FILEPATH "White-box table file to embed (empty: generate)")
set(LAUNCHER_WHITEBOX_KEY "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f"
    CACHE STRING "AES-256 key (hex) of the generated default table set")
set(LAUNCHER_WHITEBOX_CONSTRUCTION "hardened"
    CACHE STRING "Construction of the generated default table set (hardened or plain)")
set_property(CACHE LAUNCHER_WHITEBOX_CONSTRUCTION PROPERTY STRINGS hardened plain)
set(LAUNCHER_WHITEBOX_SEED "launcher development seed"
    CACHE STRING "Seed of the generated default table set (empty: operating system randomness)")
set(LAUNCHER_DISTRIBUTION_KEY "${PROJECT_SOURCE_DIR}/cmake/test-distribution-key.bin"
    CACHE FILEPATH "Encrypted distribution key to embed")
# A STRING, not a FILEPATH: CMake would turn NONE into a path.
set(LAUNCHER_WHITEBOX_KNOWN_ANSWERS "" CACHE STRING
    "Known answers of the embedded table set (launcher-tablegen generate --known-answers), or NONE")
set(LAUNCHER_EMBEDDED_DATA_DIR "${CMAKE_BINARY_DIR}/deployment")

# Stops the configure step unless `path` names a file of exactly `expected` bytes.
function(launcher_require_file_size variable path expected)
  if(IS_DIRECTORY "${path}")
    message(FATAL_ERROR "${variable}:\n"
      "  '${path}' is a folder, expected a file of ${expected} bytes")
  elseif(NOT EXISTS "${path}")
    message(FATAL_ERROR "${variable}:\n"
      "  '${path}' does not exist, expected a file of ${expected} bytes")
  endif()
  file(SIZE "${path}" size)
  if(NOT size EQUAL expected)
    message(FATAL_ERROR "${variable}:\n"
      "  '${path}' is ${size} bytes, expected ${expected} bytes")
  endif()
endfunction()

string(LENGTH "${LAUNCHER_WHITEBOX_KEY}" _key_length)
string(REGEX MATCH "^[0-9a-fA-F]*" _key_digits "${LAUNCHER_WHITEBOX_KEY}")
string(LENGTH "${_key_digits}" _digits_length)
if(_digits_length LESS _key_length)
  math(EXPR _position "${_digits_length} + 1")
  string(SUBSTRING "${LAUNCHER_WHITEBOX_KEY}" ${_digits_length} 1 _character)
  message(FATAL_ERROR "LAUNCHER_WHITEBOX_KEY must be 64 hexadecimal digits: character "
                      "${_position} is '${_character}', not a hexadecimal digit")
elseif(NOT _key_length EQUAL 64)
  message(FATAL_ERROR "LAUNCHER_WHITEBOX_KEY must be 64 hexadecimal digits: it has ${_key_length}")
endif()

if(NOT LAUNCHER_WHITEBOX_CONSTRUCTION MATCHES "^(hardened|plain)$")
  message(FATAL_ERROR "LAUNCHER_WHITEBOX_CONSTRUCTION must be hardened or plain, "
                      "not '${LAUNCHER_WHITEBOX_CONSTRUCTION}'")
endif()

launcher_require_file_size(LAUNCHER_DISTRIBUTION_KEY "${LAUNCHER_DISTRIBUTION_KEY}"
                           ${LAUNCHER_DISTRIBUTION_KEY_SIZE})
set(LAUNCHER_DISTRIBUTION_KEY_FILE "${LAUNCHER_DISTRIBUTION_KEY}")

if(LAUNCHER_WHITEBOX_TABLES)
  launcher_require_file_size(LAUNCHER_WHITEBOX_TABLES "${LAUNCHER_WHITEBOX_TABLES}"
                             ${LAUNCHER_TABLE_FILE_SIZE})
  set(LAUNCHER_TABLE_FILE "${LAUNCHER_WHITEBOX_TABLES}")
  set(LAUNCHER_TABLE_FILE_GENERATED OFF)
else()
  set(LAUNCHER_TABLE_FILE "${LAUNCHER_EMBEDDED_DATA_DIR}/whitebox-tables.bin")
  set(LAUNCHER_TABLE_FILE_GENERATED ON)
  if(LAUNCHER_WHITEBOX_CONSTRUCTION STREQUAL "plain")
    message(WARNING "LAUNCHER_WHITEBOX_CONSTRUCTION=plain: the embedded table set will give its "
                    "AES-256 key to anyone who reads it. For tests only; never ship this build.")
  endif()
endif()

# The known answers: a deployment's own file, the generated set's vectors, or - only on request -
# none at all.
set(LAUNCHER_GENERATED_KNOWN_ANSWERS_FILE "${LAUNCHER_EMBEDDED_DATA_DIR}/known-answers.txt")
if(LAUNCHER_WHITEBOX_KNOWN_ANSWERS STREQUAL "NONE")
  set(LAUNCHER_KNOWN_ANSWERS_FILE "")
  message(WARNING
    "  *** THE EMBEDDED WHITE-BOX TABLE SET IS NOT CHECKED AGAINST AES ***\n"
    "  LAUNCHER_WHITEBOX_KNOWN_ANSWERS=NONE: nothing proves that the table set this build embeds\n"
    "  (${LAUNCHER_TABLE_FILE})\n"
    "  computes AES-256 under the deployment's key. A wrong, damaged or misordered set would be\n"
    "  built in, and data the application encrypts could not be decrypted anywhere else.\n"
    "  Do not ship this build: configure it with the set's known answers.")
elseif(NOT LAUNCHER_WHITEBOX_KNOWN_ANSWERS STREQUAL "")
  # A relative path is taken from the folder cmake was started in, as for the FILEPATH options.
  if(NOT IS_ABSOLUTE "${LAUNCHER_WHITEBOX_KNOWN_ANSWERS}" AND DEFINED ENV{PWD})
    get_filename_component(LAUNCHER_KNOWN_ANSWERS_FILE "${LAUNCHER_WHITEBOX_KNOWN_ANSWERS}"
                           ABSOLUTE BASE_DIR "$ENV{PWD}")
  else()
    get_filename_component(LAUNCHER_KNOWN_ANSWERS_FILE "${LAUNCHER_WHITEBOX_KNOWN_ANSWERS}" ABSOLUTE)
  endif()
  if(IS_DIRECTORY "${LAUNCHER_KNOWN_ANSWERS_FILE}")
    message(FATAL_ERROR "LAUNCHER_WHITEBOX_KNOWN_ANSWERS:\n"
      "  '${LAUNCHER_KNOWN_ANSWERS_FILE}' is a folder, expected the known-answers file")
  elseif(NOT EXISTS "${LAUNCHER_KNOWN_ANSWERS_FILE}")
    message(FATAL_ERROR "LAUNCHER_WHITEBOX_KNOWN_ANSWERS:\n"
      "  '${LAUNCHER_KNOWN_ANSWERS_FILE}' does not exist")
  endif()
elseif(LAUNCHER_TABLE_FILE_GENERATED)
  set(LAUNCHER_KNOWN_ANSWERS_FILE "${LAUNCHER_GENERATED_KNOWN_ANSWERS_FILE}")
else()
  message(FATAL_ERROR "LAUNCHER_WHITEBOX_KNOWN_ANSWERS is required with LAUNCHER_WHITEBOX_TABLES:\n"
    "  before it links the launcher, the build proves the supplied table set against known\n"
    "  answers computed from the deployment's key. Make them where the key is kept, with the set:\n"
    "    launcher-tablegen generate --key-file KEY_FILE --output tables.bin \\\n"
    "                               --known-answers known-answers.txt\n"
    "  or, for a set made earlier with that key:\n"
    "    launcher-tablegen known-answers --key-file KEY_FILE --tables tables.bin \\\n"
    "                                    --output known-answers.txt\n"
    "  and configure with -DLAUNCHER_WHITEBOX_KNOWN_ANSWERS=known-answers.txt\n"
    "  (-DLAUNCHER_WHITEBOX_KNOWN_ANSWERS=NONE builds without the check: never for a build that\n"
    "  ships).")
endif()

# launcher_embed_deployment_data(<out-var> TABLES <file> DISTRIBUTION_KEY <file> DIR <dir>)
# A build rule that turns a table file and a distribution key into the initializer fragments the
# launcher's table source includes (launcher-tablegen embed), written into <dir>; <out-var>
# receives the fragments' paths. Used for the launcher's own data and for the build's tests of it.
function(launcher_embed_deployment_data out)
  cmake_parse_arguments(ARG "" "TABLES;DISTRIBUTION_KEY;DIR" "" ${ARGN})
  set(fragments ${ARG_DIR}/gxor.inc ${ARG_DIR}/gtyboxes.inc ${ARG_DIR}/gtboxeslast.inc
                ${ARG_DIR}/gmbl.inc ${ARG_DIR}/distkey.inc)
  add_custom_command(
    OUTPUT ${fragments}
    COMMAND ${LAUNCHER_TABLEGEN} embed --tables ${ARG_TABLES}
            --distribution-key ${ARG_DISTRIBUTION_KEY} --output-dir ${ARG_DIR}
    DEPENDS ${ARG_TABLES} ${ARG_DISTRIBUTION_KEY} ${LAUNCHER_HOST_TOOLS_TARGET}
    COMMENT "Embedding the white-box table set and distribution key into ${ARG_DIR}"
    VERBATIM)
  set(${out} ${fragments} PARENT_SCOPE)
endfunction()
