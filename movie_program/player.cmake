# The playback unit: its extra sources and tests.
target_sources(reelix_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/SaveAs.cpp)

velmora_add_test(player_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/player_test.cpp ${CMAKE_CURRENT_LIST_DIR}/tests/player_save_test.cpp
  LIBS reelix_core)
