# The whole program: the built kvup, stand-in service and kvup-client.
add_dependencies(${target} kvup kvup-client kvup-service)
