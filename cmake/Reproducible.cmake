# Builds whose bytes do not depend on where they are made. Every object of the project is compiled
# with the source and build folders mapped to fixed names in everything the compiler writes
# (debug information, __FILE__, assertion texts), so two builds of the same sources with the same
# settings in different folders give the same executables. The build folder is mapped last: GCC
# tries the last mapping first, which matters when the build folder lies inside the source folder.
# Link timestamps are left out where the format has one (see WindowsExecutable.cmake).
add_compile_options(
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=launcher>"
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=launcher-build>")
