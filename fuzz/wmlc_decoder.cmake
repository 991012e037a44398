# WMLC decks (binary WML) from fetched pages: the decoder and the tree dump of what it accepts.
tovarin_fuzzer(wmlc_decoder_fuzzer
               SOURCES ${CMAKE_CURRENT_LIST_DIR}/wmlc_decoder_fuzzer.cpp
                       ${CMAKE_SOURCE_DIR}/gateway/wbxml_decoder.cpp
                       ${CMAKE_SOURCE_DIR}/gateway/wml_code_pages.cpp
                       ${CMAKE_SOURCE_DIR}/gateway/markup_tree.cpp
                       ${CMAKE_SOURCE_DIR}/gateway/charset.cpp
                       ${CMAKE_SOURCE_DIR}/gateway/charset_declaration.cpp
                       ${CMAKE_SOURCE_DIR}/gateway/chinese_text_guess.cpp
               LIBS PkgConfig::GLIB
               SEEDS ${CMAKE_SOURCE_DIR}/tests/data/wmlc)
