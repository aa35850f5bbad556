target_link_libraries(${target} PRIVATE kvupui duilib)
# The skin tool's tests run the built tool.
add_dependencies(${target} kvup-skin kvup_skin)
# XTest sends real input through the X server in the GTK menu test, which
# holds the display's pointer (see tests/duilib/link.cmake).
pkg_check_modules(XTST REQUIRED IMPORTED_TARGET xtst x11)
target_link_libraries(${target} PRIVATE PkgConfig::XTST)
list(APPEND test_properties RESOURCE_LOCK display_pointer)
# The manager window's GTK test uploads through the built stand-in service.
add_dependencies(${target} kvup-service)
# The drag source that the drop window's GTK test drags files from.
target_link_libraries(kvup_drag_source PRIVATE PkgConfig::GTK3)
