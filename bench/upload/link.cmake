# Reads the service's root folder with the plain calls of the tests.
target_sources(bench_${stem} PRIVATE ${CMAKE_SOURCE_DIR}/tests/common/HttpCall.cpp)
target_include_directories(bench_${stem} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
