target_link_libraries(${tool} PRIVATE kvupui duilib)
