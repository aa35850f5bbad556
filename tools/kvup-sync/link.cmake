target_link_libraries(${tool} PRIVATE kvupapp)
