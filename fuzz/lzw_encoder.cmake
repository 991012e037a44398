# The frame export's LZW encoder against a model of the classic compressor it must match byte
# for byte.
tovarin_fuzzer(lzw_encoder_fuzzer
               SOURCES ${CMAKE_CURRENT_LIST_DIR}/lzw_encoder_fuzzer.cpp ${CMAKE_SOURCE_DIR}/gif/lzw_encoder.cpp)
