# XTest sends real pointer input through the X server in the GTK host tests.
pkg_check_modules(XTST REQUIRED IMPORTED_TARGET xtst x11)
target_link_libraries(${target} PRIVATE duilib PkgConfig::XTST)
