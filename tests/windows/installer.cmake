# The application folder and its installer, with this project's functions, for a private Java
# runtime whose JVM is the stand-in: jre\bin\client\jvm.dll imports a DLL that lies only in
# jre\bin, as a real runtime's imports its C library there. Two versions of the application's own
# files make two packages of one product, for the upgrade.
set(_package ${CMAKE_CURRENT_BINARY_DIR}/package)
set(_runtime ${_package}/runtime)
file(MAKE_DIRECTORY ${_runtime}/bin/client ${_runtime}/lib/ext)
file(WRITE ${_runtime}/release "JAVA_VERSION=\"1.8.0_402\"\n")
foreach(_version 1 2)
  file(MAKE_DIRECTORY ${_package}/files-${_version}/lib ${_package}/files-${_version}/ext)
  file(WRITE ${_package}/files-${_version}/lib/application.jar "application, version ${_version}\n")
endforeach()
file(WRITE ${_package}/files-1/lib/only-in-version-1.txt "removed by the upgrade\n")
file(MAKE_DIRECTORY ${_package}/files-2/bin)
file(WRITE ${_package}/files-2/bin/only-in-version-2.txt "added by the upgrade\n")

add_library(stand_in_jvm_with_dependency SHARED
  stand_in_jvm/stand_in_jvm.cpp stand_in_jvm/native_call_${_arch}.cpp
  stand_in_jvm/exports_${_arch}.def stand_in_jvm/runtime_dependency.cpp)
target_link_libraries(stand_in_jvm_with_dependency PRIVATE launcher_jni_headers tools_common
                                                           fake_jvm_dependency)
set_target_properties(stand_in_jvm_with_dependency PROPERTIES PREFIX "" OUTPUT_NAME jvm
                      RUNTIME_OUTPUT_DIRECTORY ${_runtime}/bin/client)
add_custom_command(TARGET stand_in_jvm_with_dependency POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:fake_jvm_dependency> ${_runtime}/bin/ VERBATIM)
# What the stand-in expects of a start of `tarn`, with the natives' answers under the build's key.
set(_can_start LAUNCHER_OPENSSL AND LAUNCHER_TABLE_FILE_GENERATED)
if(${_can_start})
  add_custom_command(TARGET stand_in_jvm_with_dependency POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E env PYTHONPATH=${LAUNCHER_TEST_PYTHONPATH}:${CMAKE_CURRENT_SOURCE_DIR}
          ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/installer/write_stand_in_expectations.py
          --catalogue ${LAUNCHER_CATALOGUE_DIR}/tarn.json --key ${LAUNCHER_WHITEBOX_KEY}
          --distribution-key ${LAUNCHER_DISTRIBUTION_KEY_FILE} --openssl "${LAUNCHER_OPENSSL}"
          --output ${_runtime}/bin/client/stand-in-jvm.txt
    VERBATIM)
endif()

set(_product "Tarn Test")
set(_built_by_default)
if(LAUNCHER_WIXL)
  set(_built_by_default ALL)
endif()
set(_upgrade_code 3b9a1c52-7d4e-4f0a-9c61-5e2d8b7a4f13)
foreach(_version 1 2)
  launcher_add_application(test_application_${_version} OUTPUT ${_package}/application-${_version}
                           RUNTIME ${_runtime} FILES ${_package}/files-${_version} ALL)
  add_dependencies(test_application_${_version} stand_in_jvm_with_dependency)
  launcher_add_installer(test_installer_${_version} APPLICATION test_application_${_version}
    FOLDER ${_package}/application-${_version}
    OUTPUT "${_package}/installer/${_product}-1.${_version}.0.msi"
    PRODUCT ${_product} MANUFACTURER "launcher tests" VERSION 1.${_version}.0
    UPGRADE_CODE ${_upgrade_code} ${_built_by_default})
endforeach()

# Each refusal of a folder that can never start, with its whole message; no wine needed.
set(_refusals ${Python3_EXECUTABLE})
if(NOT LAUNCHER_OTHER_ARCH_CXX)
  launcher_skip_command(_refusals "no ${_other_arch_triple}-g++-posix to build a DLL of the other \
architecture (Debian: g++-mingw-w64)")
endif()
add_test(NAME windows.application_folder_refusals
  COMMAND ${_refusals} ${CMAKE_CURRENT_SOURCE_DIR}/installer/check_refusals.py
          --stage ${PROJECT_SOURCE_DIR}/tools/package/stage_application.py
          --launcher $<TARGET_FILE:launcher> --catalogue-dir ${LAUNCHER_CATALOGUE_DIR}
          --jvm $<TARGET_FILE:fake_jvm> --dependency $<TARGET_FILE:fake_jvm_dependency>
          --wrong-arch-jvm ${_installs}/wrong-arch/${_client}/${_jvm_file}
          --work ${CMAKE_CURRENT_BINARY_DIR}/refusals)

# The same inputs give the same tables; the package is signed and verifies.
find_program(LAUNCHER_MSIINFO msiinfo)
find_program(LAUNCHER_TEST_OSSLSIGNCODE osslsigncode)
set(_msi_check ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/installer/check_package.py
    --make ${PROJECT_SOURCE_DIR}/tools/package/make_installer.py --wixl "${LAUNCHER_WIXL}"
    --msiinfo "${LAUNCHER_MSIINFO}" --folder ${_package}/application-1
    --work ${CMAKE_CURRENT_BINARY_DIR}/package-checks --arch $<IF:$<EQUAL:${CMAKE_SIZEOF_VOID_P},4>,x86,x64>)
if(NOT LAUNCHER_WIXL OR NOT LAUNCHER_MSIINFO)
  launcher_skip_command(_msi_check "no wixl or msiinfo to build and read packages (Debian: wixl, \
msitools)")
endif()
add_test(NAME windows.installer_same_inputs_give_the_same_tables COMMAND ${_msi_check} same-tables)
set(_sign_check ${_msi_check})
if(NOT LAUNCHER_TEST_OSSLSIGNCODE OR NOT LAUNCHER_OPENSSL)
  launcher_skip_command(_sign_check "no osslsigncode or openssl to sign with (Debian: \
osslsigncode, openssl)")
endif()
add_test(NAME windows.installer_signed_package_verifies
  COMMAND ${_sign_check} signed --cmake ${CMAKE_COMMAND} --sign-script
          ${PROJECT_SOURCE_DIR}/cmake/SignFile.cmake --osslsigncode "${LAUNCHER_TEST_OSSLSIGNCODE}"
          --openssl "${LAUNCHER_OPENSSL}")

# Installed silently into a new wine prefix; its shortcuts; tarn started from its shortcut as
# Explorer starts it; the upgrade to the second version; the uninstall.
set(_install_check ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/installer/check_installer.py
    --wine ${CMAKE_CROSSCOMPILING_EMULATOR} --product ${_product}
    --application ${_package}/application-1 --upgraded-application ${_package}/application-2
    --package "${_package}/installer/${_product}-1.1.0.msi"
    --upgrade "${_package}/installer/${_product}-1.2.0.msi"
    --catalogue ${LAUNCHER_CATALOGUE_DIR}/tarn.json --work ${CMAKE_CURRENT_BINARY_DIR}/installs-msi)
if(NOT LAUNCHER_TARGET_RUNS)
  launcher_skip_command(_install_check "${LAUNCHER_NOT_RUN_REASON}")
elseif(NOT LAUNCHER_WIXL)
  launcher_skip_command(_install_check "no wixl to build the packages (Debian: wixl)")
elseif(NOT (${_can_start}))
  launcher_skip_command(_install_check "the stand-in JVM's answers need openssl and a generated \
table set")
endif()
add_test(NAME windows.installer_installs_starts_upgrades_and_uninstalls COMMAND ${_install_check})
set_tests_properties(windows.installer_installs_starts_upgrades_and_uninstalls PROPERTIES
                     TIMEOUT 600)
