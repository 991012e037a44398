# WBMP pictures from fetched pages: decoding, the sniff, and the PNG written for the view (read
# back through libpng).
pkg_check_modules(LIBPNG REQUIRED IMPORTED_TARGET libpng)
tovarin_fuzzer(wbmp_fuzzer
               SOURCES ${CMAKE_CURRENT_LIST_DIR}/wbmp_fuzzer.cpp ${CMAKE_SOURCE_DIR}/gateway/wbmp.cpp
               LIBS PkgConfig::LIBPNG
               SEEDS ${CMAKE_SOURCE_DIR}/tests/data/wbmp)
