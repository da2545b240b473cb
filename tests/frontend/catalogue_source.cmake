# cmake -DDIR=<catalogue folder> -DNAMESPACE=<name> -DOUTPUT=<header> -P catalogue_source.cmake
# Writes a header with, in namespace NAMESPACE, catalogue_source(name): what the catalogue text
# DIR/<name>.json holds (tarn, lum), read with CMake's JSON reader, not the launcher's decoder, so
# that the front end's tests compare two independent readings of the same text and restate none of
# it; and catalogue_file(name): the file's bytes. Every byte is written as an escape, so that any
# byte string comes through unchanged.

# The indexes of the array at `path...` in `json`, in `out`.
function(array_indexes out json)
  string(JSON length LENGTH "${json}" ${ARGN})
  set(indexes "")
  if(length GREATER 0)
    math(EXPR last "${length} - 1")
    foreach(index RANGE ${last})
      list(APPEND indexes ${index})
    endforeach()
  endif()
  set(${out} ${indexes} PARENT_SCOPE)
endfunction()

# The body of a C++ string literal holding the bytes of hexadecimal text `hex`, each as an escape.
function(hex_literal out hex)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" literal "${hex}")
  set(${out} "${literal}" PARENT_SCOPE)
endfunction()

# The C++ string literal of the byte string at `path...` in `json`: a JSON string, or an array of
# byte values. Every byte is written as an escape.
function(byte_string_literal out json)
  string(JSON type TYPE "${json}" ${ARGN})
  if(type STREQUAL "STRING")
    string(JSON value GET "${json}" ${ARGN})
    string(HEX "${value}" hex)
    hex_literal(literal "${hex}")
  elseif(type STREQUAL "ARRAY")
    set(literal "")
    array_indexes(indexes "${json}" ${ARGN})
    foreach(index IN LISTS indexes)
      string(JSON byte GET "${json}" ${ARGN} ${index})
      math(EXPR byte "${byte} + 256" OUTPUT_FORMAT HEXADECIMAL)  # 0x1NN: always two digits
      string(SUBSTRING "${byte}" 3 2 byte)
      string(APPEND literal "\\x${byte}")
    endforeach()
  else()
    message(FATAL_ERROR "${DIR}: ${ARGN} is a ${type}, not a byte string")
  endif()
  set(${out} "\"${literal}\"" PARENT_SCOPE)
endfunction()

set(header "// Generated from the catalogue texts in ${DIR} by ${CMAKE_CURRENT_LIST_FILE}.
#include <optional>
#include <string_view>

#include \"java_app.h\"

namespace ${NAMESPACE} {

inline std::optional<launcher::JavaApp> catalogue_source(std::string_view name) {\n")
set(files "inline std::string_view catalogue_file(std::string_view name) {\n")
foreach(name tarn lum)
  file(READ ${DIR}/${name}.json json)
  file(READ ${DIR}/${name}.json file_hex HEX)
  hex_literal(file_literal "${file_hex}")
  string(LENGTH "${file_hex}" file_length)
  math(EXPR file_length "${file_length} / 2")
  string(APPEND files "  if (name == \"${name}\") return {\"${file_literal}\", ${file_length}};\n")
  # An object names its members; an array holds the same four values in this order.
  set(members jvm_path main_class encrypt_class options)
  string(JSON form TYPE "${json}")
  if(form STREQUAL "ARRAY")
    set(members 0 1 2 3)
  endif()
  list(GET members 0 jvm_path)
  list(GET members 1 main_class)
  list(GET members 2 encrypt_class)
  list(GET members 3 options)
  byte_string_literal(jvm_path "${json}" ${jvm_path})
  byte_string_literal(main_class "${json}" ${main_class})
  byte_string_literal(encrypt_class "${json}" ${encrypt_class})
  set(option_literals "")
  array_indexes(indexes "${json}" ${options})
  foreach(index IN LISTS indexes)
    byte_string_literal(option "${json}" ${options} ${index})
    string(APPEND option_literals "\n        ${option},")
  endforeach()
  string(APPEND header "  if (name == \"${name}\") {
    return launcher::JavaApp{${jvm_path},\n        ${main_class},\n        ${encrypt_class},
        {${option_literals}}};
  }\n")
endforeach()
string(APPEND header "  return std::nullopt;\n}\n\n${files}  return {};\n}\n\n}  // namespace ${NAMESPACE}\n")
file(WRITE "${OUTPUT}.tmp" "${header}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
