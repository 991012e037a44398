# The property store's text form: saved settings of the controls read back from a file.
tovarin_fuzzer(property_store_fuzzer
               SOURCES ${CMAKE_CURRENT_LIST_DIR}/property_store_fuzzer.cpp
                       ${CMAKE_SOURCE_DIR}/platform/store/property_store.cpp
               LIBS tovarin_platform
               SEEDS ${CMAKE_SOURCE_DIR}/tests/data/property_store)
