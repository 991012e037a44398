# GIF engine: drawing one composed frame, and building all frames of real GIFs into the strip
# against giflib's DGifSlurp on the same files.
tovarin_bench(gif_engine_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/gif_engine_bench.cpp
              LIBS tovarin_gif tovarin_platform_headless gif)
