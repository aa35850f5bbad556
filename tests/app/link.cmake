# The frame tests launch the built kvup.
add_dependencies(${target} kvup)
target_link_libraries(${target} PRIVATE kvupapp)
# The installed program test installs the built tree and runs the installed
# kvup, kvup-client and kvup-service.
add_dependencies(${target} kvup-client kvup-service)
if(KVUP_BUILD_UI)
  add_dependencies(${target} kvup_skin)
endif()
target_compile_definitions(${target} PRIVATE KVUP_CMAKE_COMMAND="${CMAKE_COMMAND}")
