# The GIF stream parser, and the decoding of every frame it keeps from its span.
tovarin_fuzzer(gif_parser_fuzzer
               SOURCES ${CMAKE_CURRENT_LIST_DIR}/gif_parser_fuzzer.cpp
                       ${CMAKE_SOURCE_DIR}/gif/gif_parser.cpp
                       ${CMAKE_SOURCE_DIR}/platform/pictures/gif_format.cpp
                       ${CMAKE_SOURCE_DIR}/platform/pictures/gif_block_reader.cpp
                       ${CMAKE_SOURCE_DIR}/platform/pictures/lzw_decoder.cpp
               LIBS tovarin_platform)
