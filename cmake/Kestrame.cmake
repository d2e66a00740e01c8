# kestrame_library(<target> <folder> [DEPS <targets...>])
# One static library per source folder; the folder's .cpp files are its sources, so a new unit only
# needs its file pair. A folder without sources yet makes no library.
function(kestrame_library target folder)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
    file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.h)
    if(NOT sources)
        return()
    endif()
    add_library(${target} STATIC ${sources} ${headers})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    kestrame_require_targets(${target} ${ARG_DEPS})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
    kestrame_automoc(${target})
endfunction()

# A dependency must already be a target: a misspelt name, or a library declared after the one that
# uses it, stops the configure instead of vanishing from the link.
function(kestrame_require_targets target)
    foreach(dep IN LISTS ARGN)
        if(NOT TARGET ${dep})
            message(FATAL_ERROR "${target} depends on ${dep}, which is not a target (yet)")
        endif()
    endforeach()
endfunction()

# Qt's code generator for the target. With Ninja it reruns only when a file it parsed before
# changes, so a header added to an existing build folder would never be processed: when the
# target's files change, its stamp is removed, which makes it run again.
function(kestrame_automoc target)
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
    get_target_property(files ${target} SOURCES)
    list(SORT files)
    string(SHA1 digest "${files}")
    if(NOT "${digest}" STREQUAL "${KESTRAME_AUTOMOC_${target}}")
        file(REMOVE ${CMAKE_CURRENT_BINARY_DIR}/${target}_autogen/timestamp)
        set(KESTRAME_AUTOMOC_${target} "${digest}" CACHE INTERNAL "")
    endif()
endfunction()

# kestrame_test(<target> <folder> [DEPS <targets...>] [FIXTURE <fixture>] [LABELS <labels...>])
# One GoogleTest executable per library, from every .cpp below <folder>; none while it has no tests.
# FIXTURE names the CTest fixture every test of it needs (tests/CMakeLists.txt defines them); with
# "postgres" the tests find the private server's port in the file KESTRAME_POSTGRES_STATE names.
# LABELS go on every test of it (ctest -L selects by them).
function(kestrame_test target folder)
    cmake_parse_arguments(ARG "" "FIXTURE" "DEPS;LABELS" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
    if(NOT sources)
        return()
    endif()
    add_executable(${target} ${sources})
    target_link_libraries(${target} PRIVATE kestrame_test_main)
    kestrame_require_targets(${target} ${ARG_DEPS})
    target_link_libraries(${target} PRIVATE ${ARG_DEPS})
    target_compile_definitions(${target} PRIVATE KESTRAME_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
    kestrame_automoc(${target})
    set(properties ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    if(ARG_LABELS)
        list(APPEND properties LABELS ${ARG_LABELS})
    endif()
    if(ARG_FIXTURE)
        list(APPEND properties FIXTURES_REQUIRED ${ARG_FIXTURE})
    endif()
    if(ARG_FIXTURE STREQUAL "postgres")
        target_compile_definitions(${target} PRIVATE KESTRAME_POSTGRES_STATE="${KESTRAME_POSTGRES_STATE}")
    endif()
    gtest_discover_tests(${target}
        DISCOVERY_TIMEOUT 60
        PROPERTIES ${properties})
endfunction()
