target_link_libraries(${target} PRIVATE kvupui duilib)
