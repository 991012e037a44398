# The GIF image decoder on arbitrary image data and whole files.
tovarin_fuzzer(gif_image_decoder_fuzzer
               SOURCES ${CMAKE_CURRENT_LIST_DIR}/gif_image_decoder_fuzzer.cpp
                       ${CMAKE_SOURCE_DIR}/platform/pictures/gif_image_decoder.cpp
                       ${CMAKE_SOURCE_DIR}/platform/pictures/gif_format.cpp
                       ${CMAKE_SOURCE_DIR}/platform/pictures/gif_block_reader.cpp
                       ${CMAKE_SOURCE_DIR}/platform/pictures/lzw_decoder.cpp
               LIBS tovarin_platform)
