# The transcoder on a large and a typical WML deck, the typical deck's WMLC form and a large
# XHTML page, beside libxml2 parsing the same bytes (the floor) and libwbxml converting the same
# WMLC (a peer decoder).
pkg_check_modules(LIBWBXML REQUIRED IMPORTED_TARGET libwbxml2)
pkg_check_modules(LIBXML2 REQUIRED IMPORTED_TARGET libxml-2.0)
tovarin_bench(gateway_transcoder_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/gateway_transcoder_bench.cpp
              LIBS tovarin_gateway PkgConfig::LIBWBXML PkgConfig::LIBXML2)
