# Starts the built service through the test fixture.
kvup_bench_on_fixtures(bench_${stem} DEPENDS kvup-service)
