# Tests of the geometric and tone operations and of their tool commands: include
# at the end of image_engine/CMakeLists.txt, after the engine, img32 and the tool.
velmora_add_test(vantor_geometry_test
  SOURCES tests/test_util.cpp tests/geometry_test.cpp tests/resize_tone_test.cpp
  LIBS vantor_core)
velmora_add_test(vantor_geometry_interop_test
  SOURCES tests/test_util.cpp tests/geometry_interop_test.cpp
  LIBS vantor_core)
velmora_add_test(cimg_geometry_test
  SOURCES img32/tests/cimg_geometry_test.cpp tests/test_util.cpp
  LIBS img32)
target_include_directories(cimg_geometry_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)

# The tool's operations: a turned sample has its sides swapped.
add_test(NAME vantor_tool_rotate
  COMMAND vantor rotate ${VANTOR_SAMPLE} ${CMAKE_CURRENT_BINARY_DIR}/vantor_tool_rotate.bmp --angle 270)
set_tests_properties(vantor_tool_rotate PROPERTIES FIXTURES_SETUP vantor_rotated)
add_test(NAME vantor_tool_rotate_info COMMAND vantor info ${CMAKE_CURRENT_BINARY_DIR}/vantor_tool_rotate.bmp)
set_tests_properties(vantor_tool_rotate_info PROPERTIES FIXTURES_REQUIRED vantor_rotated
  PASS_REGULAR_EXPRESSION "BMP, 7 x 11, 24 bits per pixel")
add_test(NAME vantor_tool_resize
  COMMAND vantor resize ${VANTOR_SAMPLE} ${CMAKE_CURRENT_BINARY_DIR}/vantor_tool_resize.pcx --size 30x20)
add_test(NAME vantor_tool_sharpen
  COMMAND vantor sharpen ${VANTOR_SAMPLE} ${CMAKE_CURRENT_BINARY_DIR}/vantor_tool_sharpen.bmp --strength 32)
add_test(NAME vantor_tool_lut
  COMMAND vantor lut ${VANTOR_SAMPLE} ${CMAKE_CURRENT_BINARY_DIR}/vantor_tool_lut.bmp --contrast -20 --brightness 10)
add_test(NAME vantor_tool_resize_needs_size
  COMMAND vantor resize ${VANTOR_SAMPLE} ${CMAKE_CURRENT_BINARY_DIR}/vantor_tool_resize.bmp)
set_tests_properties(vantor_tool_resize_needs_size PROPERTIES WILL_FAIL ON)

velmora_add_fuzzer(fuzz_vantor_geometry
  SOURCES fuzz/geometry_fuzzer.cpp
  LIBS vantor_core
  CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/fuzz_vantor_geometry)
