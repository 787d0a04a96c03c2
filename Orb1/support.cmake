# Timers, callbacks and application support of the library.
set(_orb1_support
  Critsect Loaderr Maction Mcallbk Mcallbkw Mdebug Mdragger Memalloc Mhourgla Mlist
  Mmemory Mmtimer mmtimer2 Morb Orb Mrect Mscrlval Mstatic Mstring Mtimer Mtmbox Mwait
  Mwinapp Mxtimer)
foreach(_unit IN LISTS _orb1_support)
  target_sources(orb1i PRIVATE ${CMAKE_CURRENT_LIST_DIR}/${_unit}.cpp)
endforeach()
target_link_libraries(orb1i PUBLIC velmora_framework)

velmora_add_test(orb1_support_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/tests/timers_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/callbacks_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/app_support_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/utilities_test.cpp
  LIBS orb1i)
