# The tests run the stand-in client and kvup itself.
add_dependencies(${target} kvup-client kvup)
