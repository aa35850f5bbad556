# The frame tests launch the built kvup; the request tests start the built service.
add_dependencies(${target} kvup)
add_dependencies(${target} kvup-service)
