# Whole pages through the transcoder: the first byte picks the Content-Type the page claims
# (WML, WMLC, XHTML, none), the rest is the page.
file(GLOB gateway_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/gateway/*.cpp)
pkg_check_modules(LIBXML2 REQUIRED IMPORTED_TARGET libxml-2.0)
pkg_check_modules(LIBPNG REQUIRED IMPORTED_TARGET libpng)
tovarin_fuzzer(wml_transcoder_fuzzer
               SOURCES ${CMAKE_CURRENT_LIST_DIR}/wml_transcoder_fuzzer.cpp ${gateway_sources}
               LIBS PkgConfig::LIBXML2 PkgConfig::LIBPNG PkgConfig::GLIB
               SEEDS ${CMAKE_SOURCE_DIR}/tests/data/wml)
