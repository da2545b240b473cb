# The Java search (cmake/LauncherJdk.cmake) on a machine whose only Java homes are laid out as
# Debian lays out releases it has never seen: java-99 and java-100, each a 64-bit JDK with a server
# VM and a 32-bit runtime with a client VM. Neither JAVA_HOME nor a javac on PATH points anywhere.
#   64-bit target   the newest JDK (100, not 99 as names compared as text would give), said at
#                   configure time, its server VM, the other word size's client VM
#   32-bit target   the JDK's own release's 32-bit client VM
#   LAUNCHER_JDK    release 99 chosen over the newest; the 32-bit runtime follows its release
#   LAUNCHER_JRE    the runtime named; class files for its older release
#   cmake -DSOURCE_DIR= -DWORK_DIR= -DGENERATOR= -DMAKE_PROGRAM= -P check_jdk_search.cmake
set(failures "")
set(homes ${WORK_DIR}/jvm)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/empty-path)

# A home: release file, and a libjvm.so whose ELF header says its word size; a JDK has jni.h and an
# executable javac too.
function(fake_home name release elf_class variant jdk)
  set(home ${homes}/${name})
  file(WRITE ${home}/release "JAVA_VERSION=\"${release}.0.1\"\n")
  string(ASCII 127 69 76 70 ${elf_class} header)
  file(WRITE ${home}/lib/${variant}/libjvm.so "${header}")
  if(jdk)
    file(WRITE ${home}/include/jni.h "")
    file(WRITE ${home}/bin/javac "#!/bin/sh\n")
    file(CHMOD ${home}/bin/javac PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  endif()
endfunction()
foreach(release 99 100)
  fake_home(java-${release}-openjdk-amd64 ${release} 2 server TRUE)
  fake_home(java-${release}-openjdk-i386 ${release} 1 client FALSE)
endforeach()
# Debian's second name for a home is a link to it, never a home of its own.
file(CREATE_LINK java-99-openjdk-amd64 ${homes}/java-1.99.0-openjdk-amd64 SYMBOLIC)

# A project that includes the search alone, for a target of `bytes`-byte pointers that runs here.
file(WRITE ${WORK_DIR}/project/CMakeLists.txt [=[
cmake_minimum_required(VERSION 3.25)
project(jdk_search NONE)
set(CMAKE_SIZEOF_VOID_P ${BYTES})
set(LAUNCHER_TARGET_RUNS TRUE)
set(LAUNCHER_TARGET_EXECUTION native)
include(LauncherJdk)
message(STATUS "found: ${LAUNCHER_JNI_INCLUDE_DIR}|${LAUNCHER_JAVAC}|${LAUNCHER_LIBJVM}|\
${LAUNCHER_OTHER_WORD_SIZE_LIBJVM}|${LAUNCHER_JAVA_RELEASE}|${LAUNCHER_JVM_MISSING}")
]=])

# Configures case `name` with the given -D arguments; checks what was found (jni.h's home, the
# runtime's libjvm relative to `homes`, the other word size's, the release) and, where `said` is
# not empty, that the configure output holds it.
function(check name jdk libjvm other release said)
  set(tree ${WORK_DIR}/${name})
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env --unset=JAVA_HOME PATH=${WORK_DIR}/empty-path
            ${CMAKE_COMMAND} -S ${WORK_DIR}/project -B ${tree} -G ${GENERATOR}
            -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM} -DCMAKE_MODULE_PATH=${SOURCE_DIR}/cmake
            -DLAUNCHER_JAVA_HOMES_DIR=${homes} ${ARGN}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(expected "-- found: ${homes}/${jdk}/include|${homes}/${jdk}/bin/javac|${homes}/${libjvm}|\
${homes}/${other}|${release}|")
  string(REGEX MATCH "-- found: [^\n]*" found "${out}")
  if(NOT status EQUAL 0)
    string(APPEND failures "\n  ${name}: configure failed (${status}):\n${out}${err}")
  elseif(NOT found STREQUAL expected)
    string(APPEND failures "\n  ${name}: [${found}]\n    expected [${expected}]")
  endif()
  string(FIND "${out}" "-- ${said}" at)
  if(said AND at EQUAL -1)
    string(APPEND failures "\n  ${name}: the output does not say '${said}':\n${out}")
  endif()
  set(failures "${failures}" PARENT_SCOPE)
endfunction()

set(jdk100 java-100-openjdk-amd64)
set(jdk99 java-99-openjdk-amd64)
set(chosen "JDK: ${homes}/${jdk100} (installed: ${homes}/${jdk100}, ${homes}/${jdk99}; ")
check(newest_64 ${jdk100} ${jdk100}/lib/server/libjvm.so
      java-100-openjdk-i386/lib/client/libjvm.so "" "${chosen}" -DBYTES=8)
check(newest_32 ${jdk100} java-100-openjdk-i386/lib/client/libjvm.so
      ${jdk100}/lib/server/libjvm.so "" "" -DBYTES=4)
check(named_jdk_32 ${jdk99} java-99-openjdk-i386/lib/client/libjvm.so
      ${jdk100}/lib/server/libjvm.so "" "" -DBYTES=4 -DLAUNCHER_JDK=${homes}/${jdk99})
check(named_jre_32 ${jdk100} java-99-openjdk-i386/lib/client/libjvm.so
      ${jdk100}/lib/server/libjvm.so 99 "" -DBYTES=4
      -DLAUNCHER_JRE=${homes}/java-99-openjdk-i386)

if(failures)
  message(FATAL_ERROR "the Java search found wrongly:${failures}")
endif()
