# quillon_render_bench: RenderJpegFile against the system libjpeg's own float
# decode of the same 12-megapixel files, with peak memory.
add_executable(quillon_render_bench ${CMAKE_CURRENT_LIST_DIR}/render_bench.cpp)
target_link_libraries(quillon_render_bench PRIVATE quillon_bench_jpeg)
