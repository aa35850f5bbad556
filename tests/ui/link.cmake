target_link_libraries(${target} PRIVATE kvupui duilib)
# The skin tool's tests run the built tool.
add_dependencies(${target} kvup-skin)
