# The queue tests run the real upload engine against the built service.
add_dependencies(${target} kvup-service)
