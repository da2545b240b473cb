# The Java installations the build uses, found in one place for every directory:
#   - a JDK on the build host, for jni.h (compiling the VM host) and javac (the Java classes of the
#     tests, benchmarks and demo);
#   - a Java runtime for the target, whose libjvm the tests, benchmarks and demo load at run time
#     (never linked). It must be of the target's word size, so a 32-bit build takes a 32-bit
#     runtime even when the JDK is 64-bit; the class files are compiled for its Java release.
#
# Cache settings (all may be left empty):
#   LAUNCHER_JDK          JDK home with include/jni.h and bin/javac
#                         (else JAVA_HOME, else the javac on PATH, else the newest Debian JDK)
#   LAUNCHER_JRE          Java runtime home whose libjvm runs; when set, the only one looked at
#                         (else LAUNCHER_JDK, JAVA_HOME, the JDK or a Debian runtime of the
#                         target's architecture, whichever first has a libjvm that suits the
#                         target; among Debian's, the JDK's own release first, then the newest)
#   LAUNCHER_JAVA_HOMES_DIR  where Debian installs its Java homes, java-<release>-openjdk-<arch>
#                         (default /usr/lib/jvm); every release found there is a candidate
#   LAUNCHER_JVM_VARIANT  the VM of that runtime: client or server (default: client for a
#                         32-bit target, as the shipped launcher starts, server otherwise)
#
# Sets, for the whole tree (include it from the top-level directory before its users):
#   LAUNCHER_JNI_INCLUDE_DIR  directory of jni.h; empty iff no JDK was found
#   LAUNCHER_JAVAC            javac of that JDK; empty iff none
#   LAUNCHER_LIBJVM           libjvm.so of the target runtime; empty iff none or a Windows target
#   LAUNCHER_OTHER_WORD_SIZE_LIBJVM  a libjvm.so of the other word size; empty iff none
#   LAUNCHER_JVM_MISSING      empty iff javac and LAUNCHER_LIBJVM can run Java code here, else
#                             why not
#   LAUNCHER_JAVA_RELEASE     the runtime's Java feature release (e.g. 17) iff it is older than the
#                             JDK's, else empty: the release javac compiles for
# and defines launcher_compile_java(TARGET <name> OUTPUT_DIR <dir> SOURCES <files...>), a target
# that compiles `SOURCES` into `OUTPUT_DIR` for the runtime, every lint warning an error.
include_guard(GLOBAL)

set(LAUNCHER_JDK "" CACHE PATH "JDK whose jni.h and javac the build uses (empty: search)")
set(LAUNCHER_JRE "" CACHE PATH
    "Java runtime whose libjvm tests, benchmarks and demo run (empty: search)")
# A 32-bit build runs the client VM, as the shipped catalogue starts; Debian's directory names end
# in the package architecture.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(_launcher_default_variant client)
  set(_launcher_debian_arch i386)
else()
  set(_launcher_default_variant server)
  set(_launcher_debian_arch amd64)
endif()
set(LAUNCHER_JVM_VARIANT ${_launcher_default_variant} CACHE STRING
    "VM of the Java runtime that runs (client or server)")
set_property(CACHE LAUNCHER_JVM_VARIANT PROPERTY STRINGS client server)
set(LAUNCHER_JAVA_HOMES_DIR /usr/lib/jvm CACHE PATH
    "Folder of Debian's Java homes, java-<release>-openjdk-<arch>, searched after the hints")

# Sets `result` to Debian's Java homes for package architecture `arch` in LAUNCHER_JAVA_HOMES_DIR,
# newest release first (java-21 before java-17, java-100 before java-99). The java-1.<N>.0 names
# Debian also installs are links to the same homes and are left out.
function(_launcher_debian_java_homes result arch)
  file(GLOB homes LIST_DIRECTORIES true "${LAUNCHER_JAVA_HOMES_DIR}/java-*-openjdk-${arch}")
  list(FILTER homes INCLUDE REGEX "/java-[0-9]+-openjdk-${arch}$")
  list(SORT homes COMPARE NATURAL ORDER DESCENDING)
  set(${result} ${homes} PARENT_SCOPE)
endfunction()

# Sets `result` to the Java feature release (e.g. 21) that `home`/release names, or empty.
function(_launcher_java_release result home)
  set(${result} "" PARENT_SCOPE)
  if(EXISTS ${home}/release)
    file(STRINGS ${home}/release version REGEX "^JAVA_VERSION=")
    if(version MATCHES "^JAVA_VERSION=\"(1\\.)?([0-9]+)")
      set(${result} ${CMAKE_MATCH_2} PARENT_SCOPE)
    endif()
  endif()
endfunction()

# The JDK: its home is where bin/javac and include/jni.h live.
set(_launcher_jdk_hints ${LAUNCHER_JDK} $ENV{JAVA_HOME})
# Only PATH: CMake's own system folders are no choice of the user's.
find_program(_launcher_javac_on_path javac NO_CACHE NO_PACKAGE_ROOT_PATH NO_CMAKE_PATH
             NO_CMAKE_ENVIRONMENT_PATH NO_CMAKE_SYSTEM_PATH NO_CMAKE_INSTALL_PREFIX)
if(_launcher_javac_on_path)
  file(REAL_PATH ${_launcher_javac_on_path} _launcher_javac_on_path)
  get_filename_component(_launcher_path_jdk ${_launcher_javac_on_path}/../.. ABSOLUTE)
  list(APPEND _launcher_jdk_hints ${_launcher_path_jdk})
endif()
# The build host's JDKs: its own architecture's (a 32-bit build on a 64-bit host compiles with the
# 64-bit JDK), the newest first.
if(CMAKE_HOST_SYSTEM_PROCESSOR MATCHES "^(i.86|x86)$")
  set(_launcher_host_debian_arch i386)
else()
  set(_launcher_host_debian_arch amd64)
endif()
_launcher_debian_java_homes(_launcher_debian_homes ${_launcher_host_debian_arch})
set(_launcher_debian_jdks "")
foreach(_home IN LISTS _launcher_debian_homes)
  if(EXISTS ${_home}/include/jni.h AND EXISTS ${_home}/bin/javac)
    list(APPEND _launcher_debian_jdks ${_home})
  endif()
endforeach()
find_path(LAUNCHER_JNI_INCLUDE_DIR jni.h
  HINTS ${_launcher_jdk_hints} PATH_SUFFIXES include
  PATHS ${_launcher_debian_jdks} ${LAUNCHER_JAVA_HOMES_DIR}/default-java
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
  DOC "Directory holding the JDK's jni.h")
set(LAUNCHER_JAVAC "")
if(LAUNCHER_JNI_INCLUDE_DIR)
  get_filename_component(_launcher_jdk_home ${LAUNCHER_JNI_INCLUDE_DIR}/.. ABSOLUTE)
  find_program(LAUNCHER_JDK_JAVAC javac PATHS ${_launcher_jdk_home}/bin NO_DEFAULT_PATH
               NO_CMAKE_FIND_ROOT_PATH DOC "javac of the JDK that provides jni.h")
  if(LAUNCHER_JDK_JAVAC)
    set(LAUNCHER_JAVAC ${LAUNCHER_JDK_JAVAC})
  endif()
  # Which of several installed JDKs builds is said once, with how to choose another.
  list(LENGTH _launcher_debian_jdks _launcher_jdk_count)
  if(_launcher_jdk_count GREATER 1)
    string(REPLACE ";" ", " _launcher_jdk_list "${_launcher_debian_jdks}")
    message(STATUS "JDK: ${_launcher_jdk_home} (installed: ${_launcher_jdk_list}; \
LAUNCHER_JDK or JAVA_HOME chooses)")
  endif()
  _launcher_java_release(_launcher_jdk_release ${_launcher_jdk_home})
endif()

# True iff `path` is an ELF shared object of the target's word size: a 64-bit libjvm cannot be
# loaded into a 32-bit process, nor the other way round.
function(_launcher_jvm_suits_target result path)
  file(READ ${path} _header LIMIT 5 HEX)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(_class 01)
  else()
    set(_class 02)
  endif()
  if(NOT _header STREQUAL "7f454c46${_class}")
    set(${result} FALSE PARENT_SCOPE)
  endif()
endfunction()

set(LAUNCHER_LIBJVM "")
# A library found before LAUNCHER_JRE or LAUNCHER_JVM_VARIANT changed is looked for again.
if(LAUNCHER_TARGET_LIBJVM AND
   (NOT LAUNCHER_TARGET_LIBJVM MATCHES "/lib/${LAUNCHER_JVM_VARIANT}/libjvm\\.so$" OR
    (LAUNCHER_JRE AND NOT LAUNCHER_TARGET_LIBJVM MATCHES "^${LAUNCHER_JRE}/")))
  unset(LAUNCHER_TARGET_LIBJVM CACHE)
endif()
if(NOT WIN32)
  if(LAUNCHER_JRE)
    set(_launcher_jre_places ${LAUNCHER_JRE})  # a runtime named is the only one taken
  else()
    # Debian's runtimes of the target's architecture, the JDK's own release first: class files
    # then need no older --release.
    _launcher_debian_java_homes(_launcher_debian_runtimes ${_launcher_debian_arch})
    set(_launcher_same_release ${_launcher_debian_runtimes})
    list(FILTER _launcher_same_release INCLUDE REGEX "/java-${_launcher_jdk_release}-openjdk-")
    set(_launcher_jre_places ${LAUNCHER_JDK} $ENV{JAVA_HOME} ${_launcher_jdk_home}
                             ${_launcher_same_release} ${_launcher_debian_runtimes})
  endif()
  find_file(LAUNCHER_TARGET_LIBJVM NAMES libjvm.so
    PATHS ${_launcher_jre_places}
    PATH_SUFFIXES lib/${LAUNCHER_JVM_VARIANT}
    VALIDATOR _launcher_jvm_suits_target
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
    DOC "libjvm.so of the Java runtime that tests, benchmarks and demo run")
  if(LAUNCHER_TARGET_LIBJVM)
    set(LAUNCHER_LIBJVM ${LAUNCHER_TARGET_LIBJVM})
  endif()
endif()

# A libjvm of the other word size, which this build's processes cannot load: the loader's refusal
# of it is tested. Debian installs both side by side when asked to.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(_launcher_other_debian_arch i386)
else()
  set(_launcher_other_debian_arch amd64)
endif()
set(LAUNCHER_OTHER_WORD_SIZE_LIBJVM "")
if(NOT WIN32)
  _launcher_debian_java_homes(_launcher_other_homes ${_launcher_other_debian_arch})
  find_file(LAUNCHER_OTHER_LIBJVM NAMES libjvm.so
    PATHS ${_launcher_other_homes}
    PATH_SUFFIXES lib/client lib/server
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
    DOC "libjvm.so of the other word size, for the loader's refusal test")
  if(LAUNCHER_OTHER_LIBJVM)
    set(LAUNCHER_OTHER_WORD_SIZE_LIBJVM ${LAUNCHER_OTHER_LIBJVM})
  endif()
endif()

set(LAUNCHER_JVM_MISSING "")
set(LAUNCHER_JAVA_RELEASE "")
if(WIN32)
  set(LAUNCHER_JVM_MISSING "a cross build cannot run the build host's JVM")
elseif(NOT LAUNCHER_TARGET_RUNS)
  set(LAUNCHER_JVM_MISSING "${LAUNCHER_NOT_RUN_REASON}")
elseif(LAUNCHER_TARGET_EXECUTION STREQUAL "emulated")
  # Measured under qemu-i386 7.2: readdir fails with EOVERFLOW on ext4, so javax.crypto cannot read
  # its policy files, and VM starts crash now and then. A failure there proves nothing.
  set(LAUNCHER_JVM_MISSING "a 32-bit JVM does not run reliably under qemu-i386 (this machine \
runs 32-bit programs only emulated)")
elseif(NOT LAUNCHER_LIBJVM)
  math(EXPR _launcher_bits "${CMAKE_SIZEOF_VOID_P} * 8")
  if(LAUNCHER_JRE)
    set(LAUNCHER_JVM_MISSING "LAUNCHER_JRE (${LAUNCHER_JRE}) has no ${_launcher_bits}-bit \
lib/${LAUNCHER_JVM_VARIANT}/libjvm.so")
  else()
    set(LAUNCHER_JVM_MISSING "no ${_launcher_bits}-bit ${LAUNCHER_JVM_VARIANT} VM found \
(set LAUNCHER_JRE or JAVA_HOME; Debian: openjdk-N-jre-headless:${_launcher_debian_arch} of its \
release, as tools/install-deps.sh installs)")
  endif()
elseif(NOT LAUNCHER_JAVAC)
  set(LAUNCHER_JVM_MISSING
    "no JDK with javac found (set LAUNCHER_JDK or JAVA_HOME; Debian: openjdk-N-jdk-headless)")
else()
  # Class files for the runtime's Java release when it is older than the JDK's, as a 64-bit JDK 21
  # compiling for a 32-bit runtime 17 would be.
  get_filename_component(_launcher_jre_home ${LAUNCHER_LIBJVM} DIRECTORY)  # lib/<variant>
  get_filename_component(_launcher_jre_home ${_launcher_jre_home}/../.. ABSOLUTE)
  _launcher_java_release(_launcher_jre_release ${_launcher_jre_home})
  if(_launcher_jre_release AND _launcher_jdk_release AND
     _launcher_jre_release LESS _launcher_jdk_release)
    set(LAUNCHER_JAVA_RELEASE ${_launcher_jre_release})
  endif()
endif()

function(launcher_compile_java)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "TARGET;OUTPUT_DIR" "SOURCES")
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${arg_TARGET}.stamp)
  set(release)
  if(LAUNCHER_JAVA_RELEASE)
    set(release --release ${LAUNCHER_JAVA_RELEASE})
  endif()
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${arg_OUTPUT_DIR}
    COMMAND ${LAUNCHER_JAVAC} ${release} -Xlint:all -Werror
            -d ${arg_OUTPUT_DIR} ${arg_SOURCES}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${arg_SOURCES}
    COMMENT "Compiling Java classes into ${arg_OUTPUT_DIR}"
    VERBATIM)
  add_custom_target(${arg_TARGET} ALL DEPENDS ${stamp})
endfunction()
