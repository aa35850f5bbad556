# The whole program: the built kvup, stand-in service, kvup-client and kvup-sync.
add_dependencies(${target} kvup kvup-client kvup-service kvup-sync)
