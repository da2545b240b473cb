# Builds a launcher from good catalogue texts, then from texts the catalogue check refuses (one set
# that names what cannot start, one that does not decode): each refused build must fail and leave no
# launcher behind, and the next good build must make it again.
#   cmake -DBUILD_DIR= -DTARGET= -DEXECUTABLE= -DCATALOGUE_DIR= -DGOOD= -DUNSTARTABLE= -DBROKEN=
#         -P check_refused_build_leaves_no_launcher.cmake
# CATALOGUE_DIR is the folder TARGET's catalogue is built from; GOOD, UNSTARTABLE and BROKEN are
# folders of texts copied into it in turn.

# Copies the texts of `folder` into CATALOGUE_DIR and builds TARGET; `expect` is PASS or FAIL.
function(build_from folder expect)
  foreach(name tarn lum)
    file(COPY_FILE ${folder}/${name}.json ${CATALOGUE_DIR}/${name}.json)
    file(TOUCH ${CATALOGUE_DIR}/${name}.json)  # newer than whatever the last build saw
  endforeach()
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${TARGET}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(expect STREQUAL "PASS")
    if(NOT status EQUAL 0 OR NOT EXISTS ${EXECUTABLE})
      message(FATAL_ERROR "the build from ${folder} failed (${status}) or made no ${EXECUTABLE}:\n"
                          "${out}${err}")
    endif()
  elseif(status EQUAL 0)
    message(FATAL_ERROR "the build from ${folder} passed; the catalogue check should refuse it")
  elseif(EXISTS ${EXECUTABLE})
    message(FATAL_ERROR "the refused build from ${folder} left ${EXECUTABLE} behind:\n${out}${err}")
  endif()
endfunction()

file(MAKE_DIRECTORY ${CATALOGUE_DIR})
build_from(${GOOD} PASS)
build_from(${UNSTARTABLE} FAIL)
build_from(${GOOD} PASS)
build_from(${BROKEN} FAIL)
message(STATUS "each refused build removed ${EXECUTABLE}; each good one made it")
