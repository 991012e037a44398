# WMLC decoding: this system's decoder (bytes to the markup tree) against libwbxml's
# wbxml_conv_wbxml2xml_withlen (bytes to XML text) on the same decks. libwbxml is a peer here
# only; nothing else links it.
if(NOT TARGET PkgConfig::LIBWBXML2)
  pkg_check_modules(LIBWBXML2 REQUIRED IMPORTED_TARGET libwbxml2)
endif()
tovarin_bench(wmlc_decoder_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/wmlc_decoder_bench.cpp
              LIBS tovarin_gateway PkgConfig::LIBWBXML2)
