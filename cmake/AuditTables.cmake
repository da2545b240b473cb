# Build step: audits the table set the launcher embeds for the trivial key read-outs
# (`launcher-tablegen audit`), prints the verdict, keeps the full report, and warns - without
# failing the build - when the tables give their key away.
#   cmake -DTABLEGEN=<launcher-tablegen> -DTABLES=<table file> -DREPORT=<report file>
#         -P AuditTables.cmake
execute_process(COMMAND "${TABLEGEN}" audit "${TABLES}"
                RESULT_VARIABLE status OUTPUT_VARIABLE report ERROR_VARIABLE errors)
if(NOT status EQUAL 0 AND NOT status EQUAL 1)
  message(FATAL_ERROR "launcher-tablegen audit ${TABLES} failed (${status}): ${errors}")
endif()
file(WRITE "${REPORT}" "${report}")
string(REGEX MATCH "(PASS|FAIL): [^\n]*" verdict "${report}")
if(status EQUAL 0)
  message(STATUS "White-box table audit: ${verdict}")
else()
  # Indented lines keep their line breaks in CMake's output.
  message(WARNING
    "  *** THE EMBEDDED WHITE-BOX TABLE SET GIVES ITS KEY AWAY ***\n"
    "  ${TABLES}\n"
    "  ${verdict}\n"
    "  Anyone holding the launcher can read the AES-256 key out of these tables.\n"
    "  Do not ship this build: embed a hardened set (launcher-tablegen generate).\n"
    "  Full report (it shows the key; keep it out of build logs): ${REPORT}")
endif()
