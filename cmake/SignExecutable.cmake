# Optional Authenticode signature of the shipped executable (after linking) and of its installer
# package, made with osslsigncode.
#
#   LAUNCHER_SIGN_PKCS12          PKCS#12 file holding the signing certificate, its chain and key.
#                                 Empty: the executable is not signed.
#   LAUNCHER_SIGN_PASSWORD_FILE   file holding the PKCS#12 password, read by osslsigncode itself:
#                                 only the file's path reaches a command line or the build log.
#   LAUNCHER_SIGN_TIMESTAMP_URL   RFC 3161 timestamp server (optional), so the signature stays valid
#                                 after the certificate expires.
#
# A signature holds its signing time, so a signed executable is not byte-reproducible; the image it
# signs is, and osslsigncode verify shows that image's digest.
set(LAUNCHER_SIGN_PKCS12 "" CACHE FILEPATH
    "PKCS#12 file to sign launcher.exe and its installer with (empty: do not sign)")
set(LAUNCHER_SIGN_PASSWORD_FILE "" CACHE FILEPATH "File holding the PKCS#12 password")
set(LAUNCHER_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 timestamp server URL (optional)")

if(LAUNCHER_SIGN_PKCS12 OR LAUNCHER_SIGN_PASSWORD_FILE)
  foreach(_variable LAUNCHER_SIGN_PKCS12 LAUNCHER_SIGN_PASSWORD_FILE)
    if(NOT ${_variable})
      message(FATAL_ERROR "${_variable} is empty: signing needs both LAUNCHER_SIGN_PKCS12 and "
                          "LAUNCHER_SIGN_PASSWORD_FILE")
    endif()
    if(NOT EXISTS "${${_variable}}" OR IS_DIRECTORY "${${_variable}}")
      message(FATAL_ERROR "${_variable}:\n  '${${_variable}}' does not exist")
    endif()
  endforeach()
  find_program(LAUNCHER_OSSLSIGNCODE osslsigncode)
  if(NOT LAUNCHER_OSSLSIGNCODE)
    message(FATAL_ERROR "LAUNCHER_SIGN_PKCS12 is set but osslsigncode was not found "
                        "(Debian package osslsigncode, installed by tools/install-deps.sh)")
  endif()
  message(STATUS "launcher.exe will be signed with ${LAUNCHER_SIGN_PKCS12}")
endif()

# launcher_sign_command(<var> <file> <description>)
# Sets <var> to the command that signs <file> in place (SHA-256 digests, <description> naming it
# in the signature), or to nothing when signing is not configured.
function(launcher_sign_command var file description)
  set(command)
  if(LAUNCHER_SIGN_PKCS12)
    set(command ${CMAKE_COMMAND} -DOSSLSIGNCODE=${LAUNCHER_OSSLSIGNCODE}
        -DPKCS12=${LAUNCHER_SIGN_PKCS12} -DPASSWORD_FILE=${LAUNCHER_SIGN_PASSWORD_FILE}
        -DTIMESTAMP_URL=${LAUNCHER_SIGN_TIMESTAMP_URL} -DDESCRIPTION=${description}
        -DFILE=${file} -P ${PROJECT_SOURCE_DIR}/cmake/SignFile.cmake)
  endif()
  set(${var} ${command} PARENT_SCOPE)
endfunction()

# launcher_sign_executable(<target>)
# Signs <target>'s file in place after every link, iff signing is configured.
function(launcher_sign_executable target)
  launcher_sign_command(command $<TARGET_FILE:${target}> $<TARGET_FILE_BASE_NAME:${target}>)
  if(command)
    add_custom_command(TARGET ${target} POST_BUILD COMMAND ${command}
                       COMMENT "Signing ${target} (Authenticode, SHA-256)" VERBATIM)
  endif()
endfunction()
