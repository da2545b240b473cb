# Locates the programs that run on the build host during the build:
#   LAUNCHER_TABLEGEN          the table generator (a path or a generator expression)
#   LAUNCHER_DCA               the differential computation analysis of a table set (likewise;
#                              the build never runs it, its tests do)
#   LAUNCHER_CATALOGUE_CHECK   the catalogue checker (likewise)
#   LAUNCHER_HOST_TOOLS_TARGET, LAUNCHER_CATALOGUE_CHECK_TARGET  the targets that build them
#   LAUNCHER_HOST_TOOLS_DIR    a cross build's host-tools tree (programs in its bin/)
# A native build uses its own targets. A cross build cannot run what it compiles, so it builds this
# same source tree a second time, with LAUNCHER_HOST_TOOLS_ONLY and the host's compiler. That tree
# also holds the known-answer checker for the data this build embeds (LAUNCHER_EMBEDDED_DATA_DIR,
# from DeploymentData.cmake), built on demand once the data exists (KnownAnswers.cmake).
if(CMAKE_CROSSCOMPILING)
  include(ExternalProject)
  set(_host_dir ${CMAKE_BINARY_DIR}/host-tools)
  ExternalProject_Add(launcher_host_tools
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${_host_dir}
    CMAKE_ARGS
      -DLAUNCHER_HOST_TOOLS_ONLY=ON
      -DCMAKE_BUILD_TYPE=Release
      -DCMAKE_RUNTIME_OUTPUT_DIRECTORY=${_host_dir}/bin
      -DLAUNCHER_CHECK_EMBEDDED_DATA_DIR=${LAUNCHER_EMBEDDED_DATA_DIR}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${_host_dir}/bin/launcher-tablegen ${_host_dir}/bin/launcher-dca
                     ${_host_dir}/bin/launcher-catalogue-check)
  set(LAUNCHER_TABLEGEN ${_host_dir}/bin/launcher-tablegen)
  set(LAUNCHER_DCA ${_host_dir}/bin/launcher-dca)
  set(LAUNCHER_CATALOGUE_CHECK ${_host_dir}/bin/launcher-catalogue-check)
  set(LAUNCHER_HOST_TOOLS_TARGET launcher_host_tools)
  set(LAUNCHER_HOST_TOOLS_DIR ${_host_dir})
  set(LAUNCHER_CATALOGUE_CHECK_TARGET launcher_host_tools)
else()
  set(LAUNCHER_TABLEGEN $<TARGET_FILE:launcher-tablegen>)
  set(LAUNCHER_DCA $<TARGET_FILE:launcher-dca>)
  set(LAUNCHER_CATALOGUE_CHECK $<TARGET_FILE:launcher-catalogue-check>)
  set(LAUNCHER_HOST_TOOLS_TARGET launcher-tablegen)
  set(LAUNCHER_CATALOGUE_CHECK_TARGET launcher-catalogue-check)
endif()
