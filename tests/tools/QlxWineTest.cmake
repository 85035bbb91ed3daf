# qlx_add_wine_test(<target> GROUP <group> SOURCES <files...> [LIBS <libs...>])
#
# Builds a GoogleTest executable (gmock, gtest_main, qlx_testkit and LIBS, linked
# -static) that ctest runs under wine64 through tests/tools/wine-run in the Wine
# prefix of <group>. Tests are named "<group>.<Suite>.<Test>"; tests of one group
# run one at a time (they share one prefix, its spooler and its registry).
#
# QLX_WINE_ROOT holds the template prefix, the group prefixes and the session
# files of tests/tools/wine-session; it must match the root the session was
# started with.
include_guard(GLOBAL)
include(GoogleTest)

if(DEFINED ENV{QLX_WINE_ROOT} AND NOT "$ENV{QLX_WINE_ROOT}" STREQUAL "")
    set(_qlx_wine_root_default "$ENV{QLX_WINE_ROOT}")
else()
    set(_qlx_wine_root_default "${CMAKE_SOURCE_DIR}/build/wine")
endif()
set(QLX_WINE_ROOT "${_qlx_wine_root_default}" CACHE PATH "Wine prefixes and session files of the Win32 tests")

# ctest runs the test discovery in its own environment, not in the tests' ENVIRONMENT,
# so the emulator is a small script that carries the root with it.
set(QLX_WINE_RUN "${CMAKE_BINARY_DIR}/qlx-wine-run")
file(WRITE "${QLX_WINE_RUN}.in"
    "#!/bin/sh\n"
    "QLX_WINE_ROOT='${QLX_WINE_ROOT}'\n"
    "export QLX_WINE_ROOT\n"
    "QLX_DESKTOP_KEEPER='${CMAKE_BINARY_DIR}/tests/tools/desktop_keeper.exe'\n"
    "export QLX_DESKTOP_KEEPER\n"
    "exec '${CMAKE_CURRENT_LIST_DIR}/wine-run' \"$@\"\n")
file(COPY_FILE "${QLX_WINE_RUN}.in" "${QLX_WINE_RUN}" ONLY_IF_DIFFERENT)
file(CHMOD "${QLX_WINE_RUN}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)

function(qlx_add_wine_test target)
    cmake_parse_arguments(ARG "" "GROUP" "SOURCES;LIBS" ${ARGN})
    if(NOT ARG_GROUP OR NOT ARG_SOURCES)
        message(FATAL_ERROR "qlx_add_wine_test(${target}): GROUP and SOURCES are required")
    endif()
    add_executable(${target} ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} qlx_testkit gmock gtest_main)
    add_dependencies(${target} desktop_keeper)
    target_link_options(${target} PRIVATE -static)
    qlx_warnings(${target})
    set_target_properties(${target} PROPERTIES CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/qlx-wine-run;${ARG_GROUP}")
    gtest_discover_tests(${target}
        TEST_PREFIX "${ARG_GROUP}."
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 120
        PROPERTIES
            ENVIRONMENT "QLX_WINE_ROOT=${QLX_WINE_ROOT}"
            RESOURCE_LOCK "qlx_wine_${ARG_GROUP}"
    )
endfunction()
