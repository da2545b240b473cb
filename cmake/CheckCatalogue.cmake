# cmake -DCHECKER=<launcher-catalogue-check> -DFILES=<a;b> -DSTAMP=<file> -P CheckCatalogue.cmake
# Fails the build, naming the file and the decoder's full message, when a catalogue text does not
# decode, so that a broken configuration cannot ship.
foreach(file IN LISTS FILES)
  execute_process(COMMAND "${CHECKER}" "${file}" OUTPUT_VARIABLE out RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    string(REGEX REPLACE ".*error: ([^\n]*).*" "\\1" reason "${out}")
    # An indented line is printed as it is, so file and message stay on one line.
    message(FATAL_ERROR "A catalogue text does not decode:\n  ${file}: ${reason}")
  endif()
endforeach()
# The stamp's folder is the catalogue's output folder, which the embedding rules also write: with a
# parallel build either may run first, so this rule makes it rather than relying on them.
get_filename_component(stamp_dir "${STAMP}" DIRECTORY)
file(MAKE_DIRECTORY "${stamp_dir}")
file(TOUCH "${STAMP}")
