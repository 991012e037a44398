# GIF frame export: this system's LZW encoder against giflib's EGifPutLine on the same frame.
tovarin_bench(gif_encoder_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/gif_encoder_bench.cpp
              LIBS tovarin_gif gif)
