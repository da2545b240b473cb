# Signs FILE in place with osslsigncode: Authenticode, SHA-256 digests, the PKCS#12 file PKCS12
# whose password is read by osslsigncode itself from PASSWORD_FILE, optionally timestamped by the
# RFC 3161 server TIMESTAMP_URL. DESCRIPTION names the program in the signature.
#
# If signing fails, FILE is removed: an unsigned file left in place would look up to date and would
# never be signed by the next build.
#
#   cmake -DOSSLSIGNCODE=... -DPKCS12=... -DPASSWORD_FILE=... [-DTIMESTAMP_URL=...]
#         -DDESCRIPTION=... -DFILE=... -P SignFile.cmake
set(timestamp)
if(TIMESTAMP_URL)
  set(timestamp -ts "${TIMESTAMP_URL}")
endif()
file(REMOVE "${FILE}.signed")
execute_process(
  COMMAND "${OSSLSIGNCODE}" sign -pkcs12 "${PKCS12}" -readpass "${PASSWORD_FILE}" -h sha256
          -n "${DESCRIPTION}" ${timestamp} -in "${FILE}" -out "${FILE}.signed"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT EXISTS "${FILE}.signed")
  file(REMOVE "${FILE}" "${FILE}.signed")
  message(FATAL_ERROR "Signing ${FILE} failed (${result}); the unsigned file was removed.\n"
                      "${output}")
endif()
file(RENAME "${FILE}.signed" "${FILE}")
