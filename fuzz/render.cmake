# quillon_render_fuzz: the JPEG renderer on arbitrary bytes. Everything the
# renderer runs through is instrumented, so the library is built with the
# same sanitizers and fuzzer coverage.
set(QUILLON_FUZZ_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
target_compile_options(quillon_core PRIVATE ${QUILLON_FUZZ_FLAGS})
add_executable(quillon_render_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/render_fuzz.cpp)
target_link_libraries(quillon_render_fuzz PRIVATE quillon_core)
target_compile_options(quillon_render_fuzz PRIVATE
    -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
target_link_options(quillon_render_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
