# Project-wide helpers: the build table and the test registration.

# Package versions of the five IDE builds, and their short suffixes.
set(TORAVEX_BUILDS 100 90 70 60 50)
function(toravex_suffix build out)
    math(EXPR s "${build} / 10")
    set(${out} ${s} PARENT_SCOPE)
endfunction()
function(toravex_runtime_package build out)
    if(build EQUAL 50)
        set(${out} vcl50 PARENT_SCOPE)
    else()
        set(${out} rtl${build} PARENT_SCOPE)
    endif()
endfunction()

# Where each emulated IDE lives, laid out as that IDE's bin folder.
function(toravex_emuide_dir build out)
    set(${out} ${CMAKE_BINARY_DIR}/emuide/${build}/bin PARENT_SCOPE)
endfunction()

# toravex_link_map(<target> <file>): the linker's map of a deliverable, in
# build/maps/<file>.map, which tells for each piece of code the object file
# it came from (tests/core/check_baseline.sh reads it).
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/maps)
function(toravex_link_map target file)
    target_link_options(${target} PRIVATE "-Wl,-Map=${CMAKE_BINARY_DIR}/maps/${file}.map")
endfunction()

# A unix path of this machine as the Windows programs under Wine see it.
function(toravex_wine_path path out)
    string(REPLACE "/" "\\\\" p "${path}")
    set(${out} "Z:${p}" PARENT_SCOPE)
endfunction()

configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)

enable_testing()

# toravex_add_test(<name> LABELS <label>... SOURCES <file>... [LINK <lib>...]
#                  [PROFILE <version>] [LOCKS <resource>...] [DEPENDS <target>...]
#                  [TIMEOUT <s>])
# One GoogleTest program, run under Wine as one CTest test, linked with the
# plug-in library under the build profile PROFILE (default 100). LOCKS names
# the shared resources it touches (`registry` for the fixed registry keys),
# so CTest never runs two holders at once.
function(toravex_add_test name)
    cmake_parse_arguments(T "" "TIMEOUT;PROFILE" "LABELS;SOURCES;LINK;LOCKS;DEPENDS" ${ARGN})
    if(NOT T_PROFILE)
        set(T_PROFILE 100)
    endif()
    add_executable(${name} ${T_SOURCES} $<TARGET_OBJECTS:toravex_profile_${T_PROFILE}>)
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main toravex_test_support ${T_LINK})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    if(T_DEPENDS)
        add_dependencies(${name} ${T_DEPENDS})
    endif()
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT})
    if(T_LOCKS)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${T_LOCKS}")
    endif()
endfunction()
