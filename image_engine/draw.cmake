# Tests of drawing into device contexts and of PostScript output: included from
# image_engine/CMakeLists.txt.
velmora_add_test(vantor_draw_test
  SOURCES tests/test_util.cpp tests/draw_test.cpp
  LIBS vantor_core)
velmora_add_test(vantor_postscript_test
  SOURCES tests/test_util.cpp tests/postscript_test.cpp
  LIBS vantor_core)
# A picture drawn into a Qt image through the engine.
velmora_add_test(vantor_qt_draw_test
  SOURCES tests/test_util.cpp tests/qt_draw_test.cpp
  LIBS vantor_core velmora_qtdc)
