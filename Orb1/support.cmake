# Timers, callbacks and application support of the library.
target_sources(orb1i PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Critsect.cpp)
target_link_libraries(orb1i PUBLIC velmora_framework)
