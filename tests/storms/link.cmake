# The real kvup, the stand-in service and client.
add_dependencies(${target} kvup kvup-client kvup-service)
# The fault storm is too slow under a sanitizer to keep its bound.
if(KVUP_SANITIZER)
  target_compile_definitions(${target} PRIVATE KVUP_STORMS_SANITIZED=1)
endif()
