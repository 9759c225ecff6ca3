find_package(ZLIB REQUIRED)
add_executable(avi_bench ${CMAKE_CURRENT_LIST_DIR}/avi_bench.cpp)
target_link_libraries(avi_bench PRIVATE quillon_core ZLIB::ZLIB)
