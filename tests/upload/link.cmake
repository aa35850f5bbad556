add_dependencies(${target} kvup-upload kvup-service)
