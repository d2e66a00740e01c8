# kestrame_library(<target> <folder> [DEPS <targets...>])
# One static library per source folder; the folder's .cpp files are its sources, so a new unit only
# needs its file pair.
function(kestrame_library target folder)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp)
    file(GLOB headers CONFIGURE_DEPENDS ${folder}/*.h)
    add_library(${target} STATIC ${sources} ${headers})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
endfunction()

# kestrame_test(<target> <folder> [DEPS <targets...>])
# One GoogleTest executable per subsystem, from every .cpp below <folder>.
function(kestrame_test target folder)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${folder}/*.cpp)
    add_executable(${target} ${sources})
    target_link_libraries(${target} PRIVATE kestrame_test_main ${ARG_DEPS})
    target_compile_definitions(${target} PRIVATE KESTRAME_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
    gtest_discover_tests(${target}
        DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
