# The comparison, maintenance and listing tests start the built service and
# reach it with the plain calls of its own tests.
add_dependencies(${target} kvup-service)
target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests/service/HttpCall.cpp)
