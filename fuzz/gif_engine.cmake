# The whole engine: load, draw every frame in every stretch and mirror mode, run the clock,
# export frames.
file(GLOB tovarin_engine_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/gif/*.cpp)
tovarin_fuzzer(gif_engine_fuzzer
               SOURCES ${CMAKE_CURRENT_LIST_DIR}/gif_engine_fuzzer.cpp
                       ${tovarin_engine_sources}
                       ${CMAKE_SOURCE_DIR}/platform/pictures/gif_format.cpp
                       ${CMAKE_SOURCE_DIR}/platform/pictures/gif_block_reader.cpp
                       ${CMAKE_SOURCE_DIR}/platform/pictures/lzw_decoder.cpp
               LIBS tovarin_platform_headless tovarin_platform)
