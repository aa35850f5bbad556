# The tests start the built service.
add_dependencies(${target} kvup-service)
# The service's multipart parser is tested on its own as well.
target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tools/kvup-service/MultipartStream.cpp)
