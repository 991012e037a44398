# The XHTML/HTML cleaner against the bare libxml2 parse of the same page in the same run, and
# the style sheet cleaner.
tovarin_bench(html_cleaner_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/html_cleaner_bench.cpp
              LIBS tovarin_gateway)
