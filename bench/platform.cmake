# The software raster layer: frame blits through colour tables, halftone stretching and the
# 32-bit copies of gradients, at the sizes the controls draw.
tovarin_bench(raster_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/raster_bench.cpp LIBS tovarin_platform)
