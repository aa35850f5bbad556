# The campaign of the upload tests, with the fixtures it runs on.
kvup_bench_on_fixtures(bench_${stem} SOURCES ${CMAKE_SOURCE_DIR}/tests/upload/UploadCampaign.cpp
                       DEPENDS kvup-service kvup-upload)
