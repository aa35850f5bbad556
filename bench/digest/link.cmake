target_compile_definitions(bench_${stem} PRIVATE KVUP_BUILD_DIR="${CMAKE_BINARY_DIR}")
add_dependencies(bench_${stem} kvup-digest)
