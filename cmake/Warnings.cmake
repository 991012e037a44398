# Project-wide warning and sanitizer flags, applied through tovarin_add_flags().
function(tovarin_add_flags target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                         -Wno-missing-field-initializers)
  # GCC 12 at -O3 reports a bogus -Wrestrict inside libstdc++ wherever a string literal is
  # prepended to a std::string ("x" + s): it inlines basic_string::_M_replace and cannot prove the
  # copy does not overlap (GCC bug 105329, mended in GCC 13). Every such concatenation in the tree
  # would trip it, so the warning is off for that compiler only.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
     AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(TOVARIN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

if(TOVARIN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# tovarin_library(name DIR [SUBDIRS ...] [LIBS ...]): a static library of every .cpp in DIR and
# in each named sub-folder of DIR (not recursive otherwise: other sub-folders are other libraries).
function(tovarin_library name dir)
  cmake_parse_arguments(ARG "" "" "SUBDIRS;LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  foreach(sub IN LISTS ARG_SUBDIRS)
    file(GLOB sub_sources CONFIGURE_DEPENDS ${dir}/${sub}/*.cpp)
    list(APPEND sources ${sub_sources})
  endforeach()
  if(NOT sources)
    # Headers only (or not written yet): still a target others can link.
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${ARG_LIBS})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  tovarin_add_flags(${name})
endfunction()

# tovarin_test(name [SUBDIRS ...] [LIBS ...]): one GoogleTest binary of every *_test.cpp in the
# current folder and in each named sub-folder.
function(tovarin_test name)
  cmake_parse_arguments(ARG "" "" "SUBDIRS;LIBS;LABELS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(sub IN LISTS ARG_SUBDIRS)
    file(GLOB sub_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/*.cpp)
    list(APPEND sources ${sub_sources})
  endforeach()
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE TOVARIN_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                             TOVARIN_BINARY_DIR="${CMAKE_BINARY_DIR}")
  tovarin_add_flags(${name})
  if(NOT ARG_LABELS)
    set(ARG_LABELS unit)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT 600
                       ENVIRONMENT "TOVARIN_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()
