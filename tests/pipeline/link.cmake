# The comparison, maintenance and listing tests start the built service and
# reach it with plain calls (tests/common).
add_dependencies(${target} kvup-service)
