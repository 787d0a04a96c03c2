# Colour depth conversion and dithering, and the default colour tables.
add_library(vantor_reduce STATIC
  ${CMAKE_CURRENT_LIST_DIR}/reduce_frame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/default_palettes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reduce_grey.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reduce_mono.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reduce_colour.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reduce_popularity.cpp)
set_target_properties(vantor_reduce PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_include_directories(vantor_reduce PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(vantor_reduce PUBLIC velmora_types)

velmora_add_test(reduce_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/tests/reduce_frame_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/reduce_mono_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/reduce_colour_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/reduce_popularity_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/reduce_reference_test.cpp
  LIBS vantor_reduce)

velmora_add_fuzzer(reduce_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/reduce_fuzz.cpp
  LIBS vantor_reduce
  CORPUS ${CMAKE_CURRENT_LIST_DIR}/fuzz/corpus/reduce_fuzz)
