# XTest sends real pointer input through the X server in the GTK host tests.
pkg_check_modules(XTST REQUIRED IMPORTED_TARGET xtst x11)
target_link_libraries(${target} PRIVATE duilib PkgConfig::XTST)
# The display's one pointer: tests that move it must not run at the same time.
list(APPEND test_properties RESOURCE_LOCK display_pointer)
