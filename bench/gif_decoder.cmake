# GIF image decoding: this system's decoder against giflib's DGifSlurp on the same data.
tovarin_bench(gif_decoder_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/gif_decoder_bench.cpp
              LIBS tovarin_platform gif)
