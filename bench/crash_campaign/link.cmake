# The kill campaign of the crash tests, with the fixtures it runs on.
target_sources(bench_${stem} PRIVATE ${CMAKE_SOURCE_DIR}/tests/crash/CrashCampaign.cpp
                                     ${CMAKE_SOURCE_DIR}/tests/common/ChildProcess.cpp
                                     ${CMAKE_SOURCE_DIR}/tests/common/HttpCall.cpp
                                     ${CMAKE_SOURCE_DIR}/tests/common/LoopbackSocket.cpp
                                     ${CMAKE_SOURCE_DIR}/tests/common/StandInService.cpp
                                     ${CMAKE_SOURCE_DIR}/tests/common/TempDir.cpp)
target_include_directories(bench_${stem} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_compile_definitions(bench_${stem} PRIVATE KVUP_BUILD_DIR="${CMAKE_BINARY_DIR}")
add_dependencies(bench_${stem} kvup kvup-client kvup-service)
