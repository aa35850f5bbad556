# The frame tests launch the built kvup.
add_dependencies(${target} kvup)
