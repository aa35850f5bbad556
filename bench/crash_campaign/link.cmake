# The kill campaign of the crash tests, with the fixtures it runs on.
kvup_bench_on_fixtures(bench_${stem} SOURCES ${CMAKE_SOURCE_DIR}/tests/crash/CrashCampaign.cpp
                       DEPENDS kvup kvup-client kvup-service)
