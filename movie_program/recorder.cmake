# The recording unit: its extra sources and tests.
target_sources(reelix_core PRIVATE RecordDialogs.cpp RecordDialogWidgets.cpp)

# Recording driven through a fake view over the real capture window and the
# test-pattern camera; the dialogs' rules through the scripted UI service.
velmora_add_test(recorder_test
  SOURCES tests/recorder_test_util.cpp tests/recorder_flow_test.cpp tests/recorder_settings_test.cpp
    tests/recorder_dialogs_test.cpp
  LIBS reelix_core velmora_movie)
target_include_directories(recorder_test PRIVATE ${CMAKE_SOURCE_DIR}/platform/capture/tests)

# The dialogs' widgets, driven as a user drives them, offscreen.
add_executable(recorder_widgets_test tests/recorder_widgets_test.cpp)
target_link_libraries(recorder_widgets_test PRIVATE reelix_core GTest::gtest)
gtest_discover_tests(recorder_widgets_test DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
