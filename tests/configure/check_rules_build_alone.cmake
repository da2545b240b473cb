# Builds the catalogue check's stamp rules alone, each straight from its own build.make in a freshly
# configured tree, before any other rule of its target has run. Under `make -j` any rule may run
# first, so a rule that writes into a folder another rule makes fails here the way a parallel
# build fails by chance.
#   cmake -DSOURCE_DIR= -DWORK_DIR= -P check_rules_build_alone.cmake
set(tree ${WORK_DIR}/tree)
file(REMOVE_RECURSE ${tree})

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${out}${err}")
  endif()
endfunction()

run("configure" ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${tree} -G "Unix Makefiles"
    -DLAUNCHER_BUILD_TESTS=OFF -DLAUNCHER_BUILD_BENCHMARKS=OFF)
# The checker is the one thing these rules need built before them.
run("building the checker" ${CMAKE_COMMAND} --build ${tree} --target launcher-catalogue-check)

file(GLOB_RECURSE build_files ${tree}/*/build.make)
set(stamps 0)
foreach(build_file IN LISTS build_files)
  file(STRINGS ${build_file} rules REGEX "^[^ \t#:]+/catalogue\\.checked:")
  foreach(rule IN LISTS rules)
    string(REGEX REPLACE ":.*" "" stamp "${rule}")
    file(RELATIVE_PATH makefile ${tree} ${build_file})
    run("make -f ${makefile} ${stamp}" make -C ${tree} -f ${makefile} ${stamp})
    if(NOT EXISTS ${tree}/${stamp})
      message(FATAL_ERROR "${stamp}: built alone, but no stamp was written")
    endif()
    math(EXPR stamps "${stamps} + 1")
  endforeach()
endforeach()
if(stamps EQUAL 0)
  message(FATAL_ERROR "no catalogue.checked rule found under ${tree}")
endif()
message(STATUS "${stamps} catalogue check rule(s) built alone from a clean tree")
