# The window's logic, tested without a window system, and the Qt window on
# the offscreen platform. Both sit beside the stand-in watermark library.
if(TARGET quillon_app_logic)
    add_executable(quillon_app_tests
        ${CMAKE_CURRENT_LIST_DIR}/main_window_logic_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../support/test_support.cpp)
    target_include_directories(quillon_app_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
    target_compile_definitions(quillon_app_tests PRIVATE
        QUILLON_TESTDATA_DIR="${QUILLON_TESTDATA_DIR}")
    target_link_libraries(quillon_app_tests PRIVATE quillon_app_logic GTest::gtest GTest::gtest_main)
    add_dependencies(quillon_app_tests dorvat)
    gtest_discover_tests(quillon_app_tests TEST_PREFIX "app." DISCOVERY_TIMEOUT 120)
endif()

if(TARGET quillon_app_window)
    find_package(Qt6 REQUIRED COMPONENTS Test)
    add_executable(quillon_window_tests ${CMAKE_CURRENT_LIST_DIR}/window_test.cpp)
    set_target_properties(quillon_window_tests PROPERTIES AUTOMOC ON)
    target_compile_definitions(quillon_window_tests PRIVATE
        QUILLON_TESTDATA_DIR="${QUILLON_TESTDATA_DIR}")
    target_link_libraries(quillon_window_tests PRIVATE quillon_app_window Qt6::Test)
    add_dependencies(quillon_window_tests dorvat)
    add_test(NAME app.window COMMAND quillon_window_tests)
    set_tests_properties(app.window PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT 600)
endif()
