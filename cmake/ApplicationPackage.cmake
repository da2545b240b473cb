# What an end user installs: the application folder launcher.exe runs in, and the Windows Installer
# package (MSI) of that folder, with the Start-menu shortcuts that start the two applications.
#
#   LAUNCHER_APPLICATION_RUNTIME      a Java runtime for Windows, staged as jre\
#   LAUNCHER_APPLICATION_FILES        a folder whose content is staged as it is, beside launcher.exe
#   LAUNCHER_CHECK_APPLICATION_STARTS OFF turns the refusals of a folder that can never start into
#                                     warnings (tools/package/stage_application.py says which)
#   LAUNCHER_INSTALLER_PRODUCT, _MANUFACTURER, _VERSION, _UPGRADE_CODE   the package's identity
#
# Targets, built only when asked for:
#   application  build/<preset>/application/
#   installer    build/<preset>/installer/<product>-<version>.msi, signed like launcher.exe
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(LAUNCHER_WIXL wixl)

set(LAUNCHER_APPLICATION_RUNTIME "" CACHE PATH
    "Java runtime for Windows staged as jre\\ of the application folder")
set(LAUNCHER_APPLICATION_FILES "" CACHE PATH
    "Folder whose content is staged beside launcher.exe (lib, ext, bin...)")
option(LAUNCHER_CHECK_APPLICATION_STARTS
       "Refuse to stage an application folder that can never start (OFF: warn only)" ON)
set(LAUNCHER_INSTALLER_PRODUCT "launcher" CACHE STRING
    "Product name: the installation folder, the Start-menu folder and shortcuts, Add/Remove Programs")
set(LAUNCHER_INSTALLER_MANUFACTURER "launcher project" CACHE STRING "The installer's manufacturer")
set(LAUNCHER_INSTALLER_VERSION "${PROJECT_VERSION}" CACHE STRING
    "The application's version: MAJOR.MINOR[.BUILD]")
set(LAUNCHER_INSTALLER_UPGRADE_CODE "" CACHE STRING
    "The product's upgrade code: one GUID for every version of it, never changed")

# launcher_add_application(<target> OUTPUT <folder> [RUNTIME <folder>] [FILES <folder>] [ALL])
# A target (part of the default build iff ALL) that stages launcher.exe, RUNTIME as jre\ and the content of FILES into OUTPUT, after
# checking the folder against the built-in catalogue; a refused folder stops the build and leaves
# no OUTPUT behind.
function(launcher_add_application target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "ALL" "OUTPUT;RUNTIME;FILES" "")
  set(inputs)
  if(arg_RUNTIME)
    list(APPEND inputs --runtime ${arg_RUNTIME})
  endif()
  if(arg_FILES)
    list(APPEND inputs --files ${arg_FILES})
  endif()
  if(NOT LAUNCHER_CHECK_APPLICATION_STARTS)
    list(APPEND inputs --allow-unstartable)
  endif()
  set(all)
  if(arg_ALL)
    set(all ALL)
  endif()
  add_custom_target(${target} ${all}
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/package/stage_application.py
            --launcher $<TARGET_FILE:launcher> ${inputs}
            --catalogue ${LAUNCHER_CATALOGUE_DIR}/tarn.json
            --catalogue ${LAUNCHER_CATALOGUE_DIR}/lum.json --output ${arg_OUTPUT}
    COMMENT "Staging the application folder ${arg_OUTPUT}"
    VERBATIM)
  add_dependencies(${target} launcher)
endfunction()

# launcher_add_installer(<target> APPLICATION <staging target> FOLDER <its folder> OUTPUT <msi>
#                        PRODUCT <name> MANUFACTURER <name> VERSION <version> UPGRADE_CODE <guid>
#                        [ALL])
# A target (part of the default build iff ALL) that builds OUTPUT from the staged FOLDER with wixl and signs it iff signing is
# configured.
function(launcher_add_installer target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "ALL"
                        "APPLICATION;FOLDER;OUTPUT;PRODUCT;MANUFACTURER;VERSION;UPGRADE_CODE" "")
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(arch x86)
  else()
    set(arch x64)
  endif()
  launcher_sign_command(sign ${arg_OUTPUT} ${arg_PRODUCT})
  if(NOT LAUNCHER_WIXL)
    set(build ${CMAKE_COMMAND} -E echo "wixl was not found (Debian package wixl, installed by \
tools/install-deps.sh)" COMMAND ${CMAKE_COMMAND} -E false)
  elseif(NOT arg_UPGRADE_CODE)
    set(build ${CMAKE_COMMAND} -E echo "LAUNCHER_INSTALLER_UPGRADE_CODE is empty: make the \
product's upgrade code once (uuidgen, or python3's uuid.uuid4()) and give it to every build of every version" COMMAND
        ${CMAKE_COMMAND} -E false)
  else()
    set(build ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/package/make_installer.py
        --folder ${arg_FOLDER} --product ${arg_PRODUCT} --manufacturer ${arg_MANUFACTURER}
        --version ${arg_VERSION} --upgrade-code ${arg_UPGRADE_CODE} --arch ${arch}
        --output ${arg_OUTPUT} --wixl ${LAUNCHER_WIXL})
  endif()
  if(sign)
    list(APPEND build COMMAND ${sign})
  endif()
  set(all)
  if(arg_ALL)
    set(all ALL)
  endif()
  add_custom_target(${target} ${all} COMMAND ${build}
                    COMMENT "Building the installer ${arg_OUTPUT}" VERBATIM)
  add_dependencies(${target} ${arg_APPLICATION})
endfunction()

# Options left empty are not passed on: an empty keyword value is a warning from CMake 3.31 on.
set(_inputs)
foreach(_input RUNTIME FILES)
  if(LAUNCHER_APPLICATION_${_input})
    list(APPEND _inputs ${_input} ${LAUNCHER_APPLICATION_${_input}})
  endif()
endforeach()
launcher_add_application(application OUTPUT ${CMAKE_BINARY_DIR}/application ${_inputs})
set(_upgrade_code)
if(LAUNCHER_INSTALLER_UPGRADE_CODE)
  set(_upgrade_code UPGRADE_CODE ${LAUNCHER_INSTALLER_UPGRADE_CODE})
endif()
launcher_add_installer(installer APPLICATION application FOLDER ${CMAKE_BINARY_DIR}/application
  OUTPUT "${CMAKE_BINARY_DIR}/installer/${LAUNCHER_INSTALLER_PRODUCT}-${LAUNCHER_INSTALLER_VERSION}.msi"
  PRODUCT "${LAUNCHER_INSTALLER_PRODUCT}" MANUFACTURER "${LAUNCHER_INSTALLER_MANUFACTURER}"
  VERSION "${LAUNCHER_INSTALLER_VERSION}" ${_upgrade_code})
