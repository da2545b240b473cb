# The build's check of the distribution key, as a deployment's data would meet it: the check target
# of a case is built and passes; the distribution-key fragment it compiles in is then edited after
# configuring (its last byte changed) and the same build must stop, naming the fragment and the
# configured key file; the fragment is then restored.
#   cmake -DBUILD_DIR= -DTARGET= -DFRAGMENT= -DKEY_FILE= -DSTAMP= -P edited_distribution_key.cmake
function(build expect pattern)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${TARGET}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(expect STREQUAL "success" AND NOT status EQUAL 0)
    set(problem "expected success, got exit status ${status}")
  elseif(expect STREQUAL "failure" AND status EQUAL 0)
    set(problem "expected failure, got exit status 0")
  elseif(NOT out MATCHES "${pattern}")
    set(problem "the output does not match '${pattern}'")
  else()
    message(STATUS "${expect} as expected, output matches '${pattern}'")
    return()
  endif()
  if(DEFINED original)
    file(WRITE ${FRAGMENT} "${original}")
  endif()
  message(FATAL_ERROR "${problem}:\n${out}")
endfunction()

# Two lower-case hexadecimal digits of byte value `value`.
function(hex_byte out value)
  math(EXPR high "${value} / 16")
  math(EXPR low "${value} % 16")
  string(SUBSTRING "0123456789abcdef" ${high} 1 high)
  string(SUBSTRING "0123456789abcdef" ${low} 1 low)
  set(${out} "${high}${low}" PARENT_SCOPE)
endfunction()

# Regular-expression forms of the two paths, which the messages name.
string(REGEX REPLACE "([][+.*?()^$|\\\\])" "\\\\\\1" fragment_pattern "${FRAGMENT}")
string(REGEX REPLACE "([][+.*?()^$|\\\\])" "\\\\\\1" key_pattern "${KEY_FILE}")

file(REMOVE ${STAMP})  # the check runs again, rather than being found up to date
build(success "The embedded distribution key \\(${fragment_pattern}\\) equals ${key_pattern}, all 48 bytes")

file(READ ${FRAGMENT} original)
if(NOT original MATCHES "([0-9]+),}")
  message(FATAL_ERROR "${FRAGMENT} does not end in a byte list:\n${original}")
endif()
set(last ${CMAKE_MATCH_1})
math(EXPR changed "(${last} + 1) % 256")
string(REGEX REPLACE "[0-9]+,}" "${changed},}" edited "${original}")
file(WRITE ${FRAGMENT} "${edited}")
hex_byte(file_byte ${last})
hex_byte(embedded_byte ${changed})
build(failure "the embedded distribution key \\(${fragment_pattern}\\) differs from ${key_pattern} from byte 47: embedded ${embedded_byte}, file ${file_byte}")

file(WRITE ${FRAGMENT} "${original}")
