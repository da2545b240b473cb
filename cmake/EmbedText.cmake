# cmake -DDIR=<folder> -DTEMPLATE=<file> -DOUTPUT=<file> -P EmbedText.cmake
# Writes TEMPLATE to OUTPUT with @DIR@ replaced by DIR, and @TARN_TEXT@ and @LUM_TEXT@ by the bytes
# of DIR/tarn.json and DIR/lum.json, each as a comma-separated char initializer followed by a
# terminating 0, so that any byte (a NUL or an invalid UTF-8 sequence included) is embedded exactly.
function(char_initializer file out)
  file(READ "${file}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  set(${out} "${bytes}0" PARENT_SCOPE)
endfunction()
char_initializer("${DIR}/tarn.json" TARN_TEXT)
char_initializer("${DIR}/lum.json" LUM_TEXT)
file(READ "${TEMPLATE}" source)
string(CONFIGURE "${source}" source @ONLY)
file(WRITE "${OUTPUT}.tmp" "${source}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
