# Every outside library, found once here and used by target name elsewhere.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(Qt5 5.15 REQUIRED COMPONENTS Core Gui Widgets Network Xml Concurrent Test)
find_package(jsoncpp REQUIRED)            # target jsoncpp_lib
find_package(OpenSSL 3 REQUIRED)          # OpenSSL::Crypto
find_package(CURL REQUIRED)               # CURL::libcurl
find_package(Boost 1.74 REQUIRED COMPONENTS system)
find_package(Protobuf REQUIRED)           # protobuf::libprotobuf-lite, protobuf::protoc
find_package(RapidJSON QUIET)
find_package(JPEG REQUIRED)               # JPEG::JPEG (the simulator's snapshots)
pkg_check_modules(XLSXWRITER REQUIRED IMPORTED_TARGET xlsxwriter)
pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
if(VL_BUILD_TESTS)
    find_package(GTest REQUIRED)
endif()
