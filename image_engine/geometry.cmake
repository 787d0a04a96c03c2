# Tests of the geometric and tone operations: include from image_engine/CMakeLists.txt
# after vantor_core is defined.
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
