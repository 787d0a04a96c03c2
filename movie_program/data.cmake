# The movie program's data. The help pages lie beside the program in the
# build tree, so it runs from there as it does installed; help, the desktop
# entry and the icon are installed where the program and the desktop look.
include(GNUInstallDirs)

file(GLOB REELIX_HELP_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/help/*)
velmora_copy_beside(REELIX_HELP_COPIES help ${REELIX_HELP_SOURCES})
add_custom_target(reelix_data ALL DEPENDS ${REELIX_HELP_COPIES})
if(TARGET reelix32)
  add_dependencies(reelix32 reelix_data)
endif()

install(FILES ${REELIX_HELP_SOURCES} DESTINATION ${CMAKE_INSTALL_DATADIR}/reelix32/help)
install(FILES desktop/reelix32.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES desktop/reelix32.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# What both programs ship, checked as shipped: whole pages whose links all
# lead somewhere, a page for every help the movie program opens, the build
# tree's copies, the desktop entry and the icon.
velmora_add_test(reelix_data_test SOURCES tests/data_test.cpp LIBS Qt6::Core)
target_include_directories(reelix_data_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/platform)
target_compile_definitions(reelix_data_test PRIVATE
  REELIX_HELP_SOURCE="${CMAKE_CURRENT_SOURCE_DIR}/help"
  REELIX_HELP_BUILT="${CMAKE_CURRENT_BINARY_DIR}/help"
  REELIX_DESKTOP_DIR="${CMAKE_CURRENT_SOURCE_DIR}/desktop"
  SNAPVO_HELP_SOURCE="${CMAKE_SOURCE_DIR}/still_program/help"
  SNAPVO_DESKTOP_DIR="${CMAKE_SOURCE_DIR}/still_program/desktop")
add_dependencies(reelix_data_test reelix_data)
