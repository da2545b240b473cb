# Sources of the launcher_config library, shared with builds that compile
# them again with their own instrumentation (tests/fuzz). Defines
# LAUNCHER_CONFIG_SOURCES and LAUNCHER_CONFIG_INCLUDE_DIR.
set(LAUNCHER_CONFIG_INCLUDE_DIR ${CMAKE_CURRENT_LIST_DIR})
set(LAUNCHER_CONFIG_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/result.h
    ${CMAKE_CURRENT_LIST_DIR}/json_reader.h
    ${CMAKE_CURRENT_LIST_DIR}/json_reader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/java_app.h
    ${CMAKE_CURRENT_LIST_DIR}/java_app.cpp
)
