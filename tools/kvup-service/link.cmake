pkg_check_modules(CPPHTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
target_link_libraries(${tool} PRIVATE PkgConfig::CPPHTTPLIB)
