# kvup itself, killed and restarted, with the stand-in service and client.
add_dependencies(${target} kvup kvup-client kvup-service)
