# The pipeline tests run the real managers against the built service.
add_dependencies(${target} kvup-service)
