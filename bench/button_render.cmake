# Button drawing: one full Redraw of each style at 97 x 24 with a 32-bit picture.
tovarin_bench(button_render_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/button_render_bench.cpp
              LIBS tovarin_button_render tovarin_platform)
