# XHTML and HTML pages through the cleaner (and the same bytes as a style sheet and as a style
# attribute), checked by reading the output back as the view will.
if(NOT TARGET PkgConfig::LIBXML2)
  pkg_check_modules(LIBXML2 REQUIRED IMPORTED_TARGET libxml-2.0)
endif()
tovarin_fuzzer(html_cleaner_fuzzer
               SOURCES ${CMAKE_CURRENT_LIST_DIR}/html_cleaner_fuzzer.cpp
                       ${CMAKE_SOURCE_DIR}/gateway/html_cleaner.cpp
                       ${CMAKE_SOURCE_DIR}/gateway/html_tree_cleaner.cpp
                       ${CMAKE_SOURCE_DIR}/gateway/html_allow_list.cpp
                       ${CMAKE_SOURCE_DIR}/gateway/html_normalizer.cpp
                       ${CMAKE_SOURCE_DIR}/gateway/plain_url_resolver.cpp
                       ${CMAKE_SOURCE_DIR}/gateway/css_cleaner.cpp
                       ${CMAKE_SOURCE_DIR}/gateway/css_tokenizer.cpp
                       ${CMAKE_SOURCE_DIR}/gateway/reference_policy.cpp
                       ${CMAKE_SOURCE_DIR}/gateway/url.cpp
                       ${CMAKE_SOURCE_DIR}/gateway/html_writer.cpp
               LIBS PkgConfig::LIBXML2 PkgConfig::GLIB
               SEEDS ${CMAKE_SOURCE_DIR}/tests/data/html)
