add_executable(jpeg_sign_bench ${CMAKE_CURRENT_LIST_DIR}/jpeg_sign_bench.cpp)
target_link_libraries(jpeg_sign_bench PRIVATE quillon_core)
