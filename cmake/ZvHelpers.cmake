# Small helpers shared by the folder CMakeLists.

# zv_dist_library(<target> [SUBDIR <dir>]): place a shared library in dist/libs[/<dir>].
function(zv_dist_library target)
    cmake_parse_arguments(ARG "" "SUBDIR" "" ${ARGN})
    set(dir ${ZV_DIST_LIBS})
    if(ARG_SUBDIR)
        set(dir ${ZV_DIST_LIBS}/${ARG_SUBDIR})
    endif()
    set_target_properties(${target} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${dir})
endfunction()

# zv_dist_program(<target>): place a program at the top of dist/, finding libs/ beside it.
function(zv_dist_program target)
    # Only the relative path, also in the build: the tree is installed by copying it as it is.
    set_target_properties(${target} PROPERTIES
        RUNTIME_OUTPUT_DIRECTORY ${ZV_DIST_DIR}
        BUILD_WITH_INSTALL_RPATH ON
        INSTALL_RPATH "\$ORIGIN/libs")
    target_link_options(${target} PRIVATE -Wl,--enable-new-dtags)
endfunction()

# zv_add_gtest(<name> SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s] [ENV ...]):
# one GoogleTest executable registered as one CTest test. Exit code 77 means "skipped here".
function(zv_add_gtest name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main
                                          Threads::Threads)
    target_compile_definitions(${name} PRIVATE
        ZV_SOURCE_DIR="${CMAKE_SOURCE_DIR}" ZV_BINARY_DIR="${CMAKE_BINARY_DIR}"
        ZV_DIST_DIR="${ZV_DIST_DIR}")
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} SKIP_RETURN_CODE 77)
    if(ARG_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
    endif()
    if(ARG_ENV)
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "${ARG_ENV}")
    endif()
endfunction()
