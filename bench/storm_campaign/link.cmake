# The storms of the storm tests, with the fixtures they run on.
set(storm_fixtures CuttingFront FuzzingFront AnswerFuzzer LoopbackFront DesktopLink)
list(TRANSFORM storm_fixtures PREPEND ${CMAKE_SOURCE_DIR}/tests/common/)
list(TRANSFORM storm_fixtures APPEND .cpp)
kvup_bench_on_fixtures(bench_${stem}
                       SOURCES ${CMAKE_SOURCE_DIR}/tests/storms/StormCampaign.cpp ${storm_fixtures}
                       DEPENDS kvup kvup-client kvup-service)
