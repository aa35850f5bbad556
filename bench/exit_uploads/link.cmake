# The real kvup, stand-in service and kvup-client, run as processes.
kvup_bench_on_fixtures(bench_${stem} DEPENDS kvup kvup-service kvup-client)
