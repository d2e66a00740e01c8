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
    foreach(dep IN LISTS ARG_DEPS)
        if(TARGET ${dep} OR dep MATCHES "::")
            target_link_libraries(${target} PUBLIC ${dep})
        endif()
    endforeach()
    kestrame_automoc(${target})
endfunction()

# Qt's code generator for the target. With Ninja it reruns only when a file it parsed changes, so a
# header added later would be missed in an existing build folder: its settings file, rewritten
# whenever the target's files change, is made a dependency too.
function(kestrame_automoc target)
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
    set_property(TARGET ${target} APPEND PROPERTY AUTOGEN_TARGET_DEPENDS
        ${CMAKE_CURRENT_BINARY_DIR}/CMakeFiles/${target}_autogen.dir/AutogenInfo.json)
endfunction()

# kestrame_test(<target> <folder> [DEPS <targets...>])
# One GoogleTest executable per library, from every .cpp below <folder>; none while it has no tests.
function(kestrame_test target folder)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
    if(NOT sources)
        return()
    endif()
    add_executable(${target} ${sources})
    target_link_libraries(${target} PRIVATE kestrame_test_main)
    foreach(dep IN LISTS ARG_DEPS)
        if(TARGET ${dep})
            target_link_libraries(${target} PRIVATE ${dep})
        endif()
    endforeach()
    target_compile_definitions(${target} PRIVATE KESTRAME_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
    kestrame_automoc(${target})
    gtest_discover_tests(${target}
        DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
