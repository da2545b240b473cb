# The build's proof of the deployment data it embeds: the table set's known answers
# (launcher-tablegen generate --known-answers) evaluated, on the build host, through the launcher's
# own cipher on the very initializers the launcher compiles in, and the distribution key compiled
# in compared with the configured key file.

# launcher_add_known_answer_checker(<target> DATA_DIR <dir>)
# An executable, built only when a check needs it, holding the table set and distribution key of
# the .inc fragments in <dir> (compiled through native/aes_whitebox_embedded_tables.h, as the
# launcher compiles them), that checks them against a known-answers file and a key file
# (tools/known-answers-check/known_answers_check.cpp, compiled anew for each data folder).
function(launcher_add_known_answer_checker target)
  cmake_parse_arguments(ARG "" "DATA_DIR" "" ${ARGN})
  add_executable(${target} EXCLUDE_FROM_ALL
                 ${PROJECT_SOURCE_DIR}/tools/known-answers-check/known_answers_check.cpp)
  target_include_directories(${target} PRIVATE ${ARG_DATA_DIR})
  target_compile_definitions(${target} PRIVATE
    LAUNCHER_DISTRIBUTION_KEY_FRAGMENT="${ARG_DATA_DIR}/distkey.inc")
  target_link_libraries(${target} PRIVATE aes_whitebox whitebox_tables)
endfunction()

# launcher_add_known_answer_check(<target> DATA_DIR <dir> DATA_TARGET <target> KNOWN_ANSWERS <file>
#                                 DISTRIBUTION_KEY <file> [DATA_FILES <files...>] [CHECKER <name>])
# A custom target that is up to date only once the set in <dir> (written by DATA_TARGET; DATA_FILES
# are the fragments when they are outputs of this directory) computes every vector of
# KNOWN_ANSWERS and the key compiled in from <dir> equals DISTRIBUTION_KEY byte for byte; the build
# stops otherwise, naming each failing vector, or the fragment and the key file. Editing a fragment
# rebuilds the checker, so the check runs again. CHECKER names the checker executable
# (default: <target>_checker). A cross build cannot run what it compiles,
# so there the checker is built in the host-tools tree (cmake/HostTools.cmake), which compiles the
# same fragments with the host's compiler; only the deployment's own data directory can be checked
# that way.
function(launcher_add_known_answer_check target)
  cmake_parse_arguments(ARG "" "DATA_DIR;DATA_TARGET;KNOWN_ANSWERS;DISTRIBUTION_KEY;CHECKER"
                        "DATA_FILES" ${ARGN})
  if(NOT ARG_DISTRIBUTION_KEY)
    message(FATAL_ERROR "launcher_add_known_answer_check: DISTRIBUTION_KEY is required")
  endif()
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.passed)
  if(CMAKE_CROSSCOMPILING)
    # The host tree rebuilds the checker when any of these change; the check must then run again.
    file(GLOB checker_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/native/aes_whitebox*
         ${PROJECT_SOURCE_DIR}/tools/whitebox/known_answers.*
         ${PROJECT_SOURCE_DIR}/tools/whitebox/table_coverage.*
         ${PROJECT_SOURCE_DIR}/tools/whitebox/table_set.*
         ${PROJECT_SOURCE_DIR}/tools/known-answers-check/*.cpp)
    if(NOT ARG_DATA_DIR STREQUAL LAUNCHER_EMBEDDED_DATA_DIR)
      message(FATAL_ERROR "a cross build checks only ${LAUNCHER_EMBEDDED_DATA_DIR}")
    endif()
    set(checker ${LAUNCHER_HOST_TOOLS_DIR}/bin/launcher-known-answers-check)
    add_custom_command(
      OUTPUT ${stamp}
      BYPRODUCTS ${checker}
      # A recipe of the parent make: its jobserver is not handed down to this nested build, so
      # the nested make must not find the parent's job-server settings either (it would warn
      # "jobserver unavailable"); it builds the one checker on its own.
      COMMAND ${CMAKE_COMMAND} -E env --unset=MAKEFLAGS --unset=MFLAGS
              ${CMAKE_COMMAND} --build ${LAUNCHER_HOST_TOOLS_DIR}
              --target launcher-known-answers-check
      COMMAND ${checker} ${ARG_KNOWN_ANSWERS} ${ARG_DISTRIBUTION_KEY}
      COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
      DEPENDS ${ARG_DATA_TARGET} ${ARG_DATA_FILES} ${ARG_KNOWN_ANSWERS} ${ARG_DISTRIBUTION_KEY}
              ${LAUNCHER_HOST_TOOLS_TARGET} ${checker_sources}
      COMMENT "Checking the embedded deployment data against ${ARG_KNOWN_ANSWERS} and ${ARG_DISTRIBUTION_KEY} (build host)"
      VERBATIM)
  else()
    set(checker ${target}_checker)
    if(ARG_CHECKER)
      set(checker ${ARG_CHECKER})
    endif()
    launcher_add_known_answer_checker(${checker} DATA_DIR ${ARG_DATA_DIR})
    add_dependencies(${checker} ${ARG_DATA_TARGET})
    add_custom_command(
      OUTPUT ${stamp}
      COMMAND ${checker} ${ARG_KNOWN_ANSWERS} ${ARG_DISTRIBUTION_KEY}
      COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
      DEPENDS ${checker} ${ARG_KNOWN_ANSWERS} ${ARG_DISTRIBUTION_KEY}
      COMMENT "Checking the embedded deployment data against ${ARG_KNOWN_ANSWERS} and ${ARG_DISTRIBUTION_KEY}"
      VERBATIM)
  endif()
  add_custom_target(${target} DEPENDS ${stamp})
endfunction()

# launcher_add_unchecked_data_warning(<target>)
# A custom target that repeats, in every build, that the embedded set is not checked.
function(launcher_add_unchecked_data_warning target)
  add_custom_target(${target}
    COMMAND ${CMAKE_COMMAND} -E echo
            "WARNING: LAUNCHER_WHITEBOX_KNOWN_ANSWERS=NONE: the embedded white-box table set is NOT checked against known answers. Do not ship this build."
    VERBATIM)
endfunction()
