# cmake -DCHECKER=<launcher-catalogue-check> -DFILES=<a;b> -DSTAMP=<file> [-DALLOW_UNSTARTABLE=ON]
#       [-DBUILT_FROM_THEM=<c;d>] -P CheckCatalogue.cmake
# Fails the build, naming the file and the decoder's full message, when a catalogue text does not
# decode, and, naming the file, line and column and what to write instead, when one decodes but
# names what the launcher can never start (see launcher-catalogue-check), so that neither can ship.
# With ALLOW_UNSTARTABLE the latter are only warned about. A failure removes the files
# BUILT_FROM_THEM (the launchers that embed these texts): one built from earlier texts would
# otherwise stay in place, looking like the result of this build.

# Fails the build with `reason`, after removing what was built from the earlier texts.
function(refuse reason)
  if(BUILT_FROM_THEM)
    file(REMOVE ${BUILT_FROM_THEM})
  endif()
  message(FATAL_ERROR "${reason}")
endfunction()
set(allow)
if(ALLOW_UNSTARTABLE)
  set(allow --allow-unstartable)
endif()
foreach(file IN LISTS FILES)
  execute_process(COMMAND "${CHECKER}" ${allow} "${file}" OUTPUT_VARIABLE out RESULT_VARIABLE rc)
  # Lines of the output: a decoder message, then the findings, each on one line.
  string(REPLACE ";" "\\;" out "${out}")
  string(REPLACE "\n" ";" lines "${out}")
  set(errors)
  set(refused)
  set(warnings)
  foreach(line IN LISTS lines)
    if(line MATCHES "^error: (.*)")
      # An indented line is printed as it is, so file and message stay on one line.
      string(APPEND errors "\n  ${file}: ${CMAKE_MATCH_1}")
    elseif(line MATCHES "^refused: (.*)")
      string(APPEND refused "\n  ${CMAKE_MATCH_1}")
    elseif(line MATCHES "^warning: (.*)")
      string(APPEND warnings "\n  ${CMAKE_MATCH_1}")
    endif()
  endforeach()
  if(warnings)
    message(WARNING "A catalogue text names what the launcher cannot start "
                    "(allowed by LAUNCHER_CHECK_CATALOGUE_STARTS=OFF):${warnings}")
  endif()
  if(errors OR refused)
    set(reason)
    if(errors)
      string(APPEND reason "A catalogue text does not decode:${errors}\n")
    endif()
    if(refused)
      string(APPEND reason "A catalogue text names what the launcher cannot start "
                           "(LAUNCHER_CHECK_CATALOGUE_STARTS=OFF lets it pass):${refused}\n")
    endif()
    refuse("${reason}")
  elseif(NOT rc EQUAL 0)
    refuse("launcher-catalogue-check failed on ${file} (status ${rc}):\n${out}")
  endif()
endforeach()
# The stamp's folder is the catalogue's output folder, which the embedding rules also write: with a
# parallel build either may run first, so this rule makes it rather than relying on them.
get_filename_component(stamp_dir "${STAMP}" DIRECTORY)
file(MAKE_DIRECTORY "${stamp_dir}")
file(TOUCH "${STAMP}")
