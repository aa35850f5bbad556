# The whole program with its windows on the X display: the built kvup,
# stand-in service and kvup-client, and the drop window tests' drag source.
add_dependencies(${target} kvup kvup-client kvup-service kvup_drag_source)
target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests/ui/DragSource.cpp)
target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests/ui)
pkg_check_modules(XTST REQUIRED IMPORTED_TARGET xtst x11)
target_link_libraries(${target} PRIVATE duilib PkgConfig::XTST)
# XTest moves the display's one pointer.
list(APPEND test_properties RESOURCE_LOCK display_pointer)
# Without a display CTest reports the test as skipped, not passed.
list(APPEND test_properties SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
