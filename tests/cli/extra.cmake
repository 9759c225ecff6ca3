# The CLI's logic is tested in-process through its library; the real
# executable is run as a child process by path.
target_link_libraries(quillon_tests PRIVATE quillon_cli)
target_compile_definitions(quillon_tests PRIVATE QUILLON_CLI_PATH="$<TARGET_FILE:quillon-cli>")
add_dependencies(quillon_tests quillon-cli)
