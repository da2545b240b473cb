# Builds launcher executables. The product is `launcher`; tests and the demo build further
# executables that differ only in their catalogue texts.

# launcher_add_catalogue(<target> DIR <folder with tarn.json and lum.json> [NO_CHECK])
# An object library of one source generated from the folder's texts, embedded byte for byte
# (lib-launcher-mingw/src/lib/catalogue_text.cpp.in). Unless NO_CHECK, the build first decodes each
# text with the project's own decoder and fails, naming the file and the message, when one does not
# decode, and, unless LAUNCHER_CHECK_CATALOGUE_STARTS is off, when one names what the launcher can
# never start (launcher-catalogue-check's "refused"), and then removes the executables made with it
# (launcher_add_executable), so that none built from the earlier texts is left behind.
function(launcher_add_catalogue target)
  cmake_parse_arguments(ARG "NO_CHECK" "DIR" "" ${ARGN})
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target})
  set(texts ${ARG_DIR}/tarn.json ${ARG_DIR}/lum.json)
  set(template ${PROJECT_SOURCE_DIR}/lib-launcher-mingw/src/lib/catalogue_text.cpp.in)
  add_custom_command(
    OUTPUT ${out}/catalogue_text.cpp
    COMMAND ${CMAKE_COMMAND} -DDIR=${ARG_DIR} -DTEMPLATE=${template}
            -DOUTPUT=${out}/catalogue_text.cpp -P ${PROJECT_SOURCE_DIR}/cmake/EmbedText.cmake
    DEPENDS ${texts} ${template} ${PROJECT_SOURCE_DIR}/cmake/EmbedText.cmake
    VERBATIM)
  set(generated ${out}/catalogue_text.cpp)
  if(NOT ARG_NO_CHECK)
    set(allow_unstartable ON)
    if(LAUNCHER_CHECK_CATALOGUE_STARTS)
      set(allow_unstartable OFF)
    endif()
    add_custom_command(
      OUTPUT ${out}/catalogue.checked
      COMMAND ${CMAKE_COMMAND} -DCHECKER=${LAUNCHER_CATALOGUE_CHECK} "-DFILES=${texts}"
              -DSTAMP=${out}/catalogue.checked -DALLOW_UNSTARTABLE=${allow_unstartable}
              "-DBUILT_FROM_THEM=$<GENEX_EVAL:$<TARGET_PROPERTY:${target},LAUNCHER_EXECUTABLE_FILES>>"
              -P ${PROJECT_SOURCE_DIR}/cmake/CheckCatalogue.cmake
      DEPENDS ${texts} ${LAUNCHER_CATALOGUE_CHECK_TARGET}
              ${PROJECT_SOURCE_DIR}/cmake/CheckCatalogue.cmake
      COMMENT "Checking the catalogue texts in ${ARG_DIR}"
      VERBATIM)
    list(APPEND generated ${out}/catalogue.checked)
  endif()
  # An object library, so that its catalogue_text is linked in whatever the order of the front end's
  # archive, which calls it, on the link line.
  add_library(${target} OBJECT ${generated})
  target_link_libraries(${target} PUBLIC launcher_frontend)
endfunction()

# launcher_add_executable(<target> CATALOGUE <catalogue target>)
function(launcher_add_executable target)
  cmake_parse_arguments(ARG "" "CATALOGUE" "" ${ARGN})
  add_executable(${target} $<TARGET_OBJECTS:launcher_process_entry>)
  target_link_libraries(${target} PRIVATE ${ARG_CATALOGUE} launcher_frontend)
  # A refused catalogue check removes the executable (CheckCatalogue.cmake).
  set_property(TARGET ${ARG_CATALOGUE} APPEND PROPERTY LAUNCHER_EXECUTABLE_FILES
               $<TARGET_FILE:${target}>)
  if(COMMAND launcher_windows_executable)
    launcher_windows_executable(${target})
  endif()
endfunction()
