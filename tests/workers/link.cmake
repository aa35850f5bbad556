# The exit probe stops its managers through the frame's StartedWorkers and
# watches the log with the tests' capture.
target_link_libraries(kvup-exit-probe PRIVATE kvupapp kvup_testsupport)
