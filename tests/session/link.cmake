# The request tests start the built service.
add_dependencies(${target} kvup-service)
