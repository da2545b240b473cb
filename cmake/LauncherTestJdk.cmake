# A JDK for running a real JVM in tests and benchmarks: its libjvm (loaded at run time through the
# launcher's own loader, never linked) and the javac of the same JDK, so that the class files suit
# the VM. Sets
#   LAUNCHER_TEST_LIBJVM       path of libjvm.so
#   LAUNCHER_TEST_JAVAC        path of javac
#   LAUNCHER_TEST_JDK_MISSING  empty iff both were found, else why not
#   LAUNCHER_TEST_JDK_MISSING_TAG  the same as a short word for test names
# and defines launcher_compile_java(TARGET <name> OUTPUT_DIR <dir> SOURCES <files...>), a target that
# compiles `SOURCES` into `OUTPUT_DIR` with every lint warning an error. Include it in each directory
# that uses it: the variables are set in the including directory's scope.

set(LAUNCHER_TEST_JDK "" CACHE PATH "JDK whose JVM the tests and benchmarks run (empty: search)")
find_file(LAUNCHER_TEST_LIBJVM NAMES libjvm.so
  PATHS ${LAUNCHER_TEST_JDK} $ENV{JAVA_HOME} /usr/lib/jvm/java-17-openjdk-amd64
  PATH_SUFFIXES lib/server NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT LAUNCHER_TEST_LIBJVM AND NOT CMAKE_CROSSCOMPILING)
  find_package(JNI COMPONENTS JVM QUIET)
  if(JAVA_JVM_LIBRARY)
    set(LAUNCHER_TEST_LIBJVM ${JAVA_JVM_LIBRARY} CACHE FILEPATH "libjvm of the test JDK" FORCE)
  endif()
endif()

set(LAUNCHER_TEST_JDK_MISSING "")
set(LAUNCHER_TEST_JDK_MISSING_TAG "")
if(CMAKE_CROSSCOMPILING)
  set(LAUNCHER_TEST_JDK_MISSING "a cross build cannot run the build host's JVM")
  set(LAUNCHER_TEST_JDK_MISSING_TAG cross_build)
elseif(NOT LAUNCHER_TEST_LIBJVM)
  set(LAUNCHER_TEST_JDK_MISSING
    "no JDK found (set LAUNCHER_TEST_JDK or JAVA_HOME; Debian: openjdk-17-jdk-headless)")
  set(LAUNCHER_TEST_JDK_MISSING_TAG no_jdk)
else()
  get_filename_component(_launcher_jdk_home ${LAUNCHER_TEST_LIBJVM} DIRECTORY)  # lib/server
  get_filename_component(_launcher_jdk_home ${_launcher_jdk_home}/../.. ABSOLUTE)
  find_program(LAUNCHER_TEST_JAVAC javac PATHS ${_launcher_jdk_home}/bin NO_DEFAULT_PATH)
  if(NOT LAUNCHER_TEST_JAVAC)
    set(LAUNCHER_TEST_JDK_MISSING "the JDK at ${_launcher_jdk_home} has no javac")
    set(LAUNCHER_TEST_JDK_MISSING_TAG no_javac)
  endif()
endif()

function(launcher_compile_java)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "TARGET;OUTPUT_DIR" "SOURCES")
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${arg_TARGET}.stamp)
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${arg_OUTPUT_DIR}
    COMMAND ${LAUNCHER_TEST_JAVAC} -Xlint:all -Werror -d ${arg_OUTPUT_DIR} ${arg_SOURCES}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${arg_SOURCES}
    COMMENT "Compiling Java classes into ${arg_OUTPUT_DIR}"
    VERBATIM)
  add_custom_target(${arg_TARGET} ALL DEPENDS ${stamp})
endfunction()
