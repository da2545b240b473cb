# cmake -DINPUT=<file> -DOUTPUT=<file> -P EmbedText.cmake
# Writes the bytes of INPUT as a comma-separated char initializer followed by a terminating 0, so
# that any byte (a NUL or an invalid UTF-8 sequence included) is embedded exactly.
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
string(REGEX REPLACE "(([^,]*,){16})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp" "// Generated from ${INPUT}; do not edit.\n${bytes}0\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
