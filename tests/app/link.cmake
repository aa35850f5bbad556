# The frame tests launch the built kvup.
add_dependencies(${target} kvup)
target_link_libraries(${target} PRIVATE kvupapp)
