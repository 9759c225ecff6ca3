# Stand-ins for the external watermark library. The adapter looks in the
# executable's own folder first, so each copy sits beside the test binary
# that should find it. Variants lacking one of the two called exports live in
# folders of their own, each with a test binary of its own.
function(quillon_add_standin target dir)
    add_library(${target} SHARED ${CMAKE_CURRENT_LIST_DIR}/dorvat_standin.cpp)
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src)
    target_compile_definitions(${target} PRIVATE ${ARGN})
    # Unique symbols would pin the library in memory and hide the unload.
    target_compile_options(${target} PRIVATE -fvisibility=hidden
                           $<$<CXX_COMPILER_ID:GNU>:-fno-gnu-unique>)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME dorvat PREFIX lib SUFFIX .so
                          LIBRARY_OUTPUT_DIRECTORY ${dir})
endfunction()

quillon_add_standin(dorvat ${CMAKE_CURRENT_BINARY_DIR})
add_dependencies(quillon_tests dorvat)

foreach(missing init verify)
    string(TOUPPER ${missing} MISSING)
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/standin-without-${missing})
    quillon_add_standin(dorvat_without_${missing} ${dir} STANDIN_WITHOUT_${MISSING})
    add_executable(quillon_extlib_without_${missing}_tests
        ${CMAKE_CURRENT_LIST_DIR}/../extlib/variants/missing_export_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../support/test_support.cpp)
    target_include_directories(quillon_extlib_without_${missing}_tests PRIVATE
        ${CMAKE_CURRENT_LIST_DIR}/..)
    target_compile_definitions(quillon_extlib_without_${missing}_tests PRIVATE
        QUILLON_TESTDATA_DIR="${QUILLON_TESTDATA_DIR}" MISSING_EXPORT="${missing}")
    target_link_libraries(quillon_extlib_without_${missing}_tests PRIVATE
        quillon_core GTest::gtest GTest::gtest_main)
    set_target_properties(quillon_extlib_without_${missing}_tests PROPERTIES
        RUNTIME_OUTPUT_DIRECTORY ${dir})
    add_dependencies(quillon_extlib_without_${missing}_tests dorvat_without_${missing})
    gtest_discover_tests(quillon_extlib_without_${missing}_tests
        TEST_PREFIX "without_${missing}." DISCOVERY_TIMEOUT 120)
endforeach()
