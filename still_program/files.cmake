# snapvo_files: picture file saving, the viewer, the sounds and the help of the
# still program, with the data it ships beside the program and installs.
include(GNUInstallDirs)
find_package(JPEG REQUIRED)
find_package(Qt6 REQUIRED COMPONENTS Widgets)

set(SNAPVO_DATA_DIR ${CMAKE_INSTALL_FULL_DATADIR}/snapvo32)

add_library(snapvo_files STATIC
  PictureIo.cpp PictureWriters.cpp PictureFiles.cpp SeriesName.cpp
  ViewerDib.cpp ViewerWnd.cpp ViewerView.cpp
  DataFiles.cpp Sounds.cpp Help.cpp)
target_include_directories(snapvo_files PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/platform
  PRIVATE ${CMAKE_SOURCE_DIR}/Filmroll)
target_compile_definitions(snapvo_files PRIVATE SNAPVO_DATA_DIR="${SNAPVO_DATA_DIR}")
# The film roll's JPEG and ART writers come from its one shared build of them.
target_link_libraries(snapvo_files PUBLIC img32 velmora_framework velmora_gdi velmora_types Qt6::Widgets
  film_writers PRIVATE jgew32 aolxfer_loader JPEG::JPEG)

# The sounds are made by a generator of ours; sounds and help go beside the
# program in the build tree, so it runs from there as installed.
add_executable(snapvo_make_sounds sounds/make_sounds.cpp)
set(SNAPVO_SOUNDS ${CMAKE_CURRENT_BINARY_DIR}/sounds/CLICK.WAV ${CMAKE_CURRENT_BINARY_DIR}/sounds/low.wav
  ${CMAKE_CURRENT_BINARY_DIR}/sounds/high.wav)
add_custom_command(OUTPUT ${SNAPVO_SOUNDS}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/sounds
  COMMAND snapvo_make_sounds ${CMAKE_CURRENT_BINARY_DIR}/sounds
  DEPENDS snapvo_make_sounds
  COMMENT "Making the still program's sounds")
file(GLOB SNAPVO_HELP_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/help/*)
velmora_copy_beside(SNAPVO_HELP_COPIES help ${SNAPVO_HELP_SOURCES})
add_custom_target(snapvo_data ALL DEPENDS ${SNAPVO_SOUNDS} ${SNAPVO_HELP_COPIES})
add_dependencies(snapvo_files snapvo_data)

install(FILES ${SNAPVO_SOUNDS} DESTINATION ${CMAKE_INSTALL_DATADIR}/snapvo32/sounds)
install(FILES ${SNAPVO_HELP_SOURCES} DESTINATION ${CMAKE_INSTALL_DATADIR}/snapvo32/help)
install(FILES desktop/snapvo32.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES desktop/snapvo32.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

velmora_add_test(snapvo_files_test
  SOURCES
    tests/files_test_util.cpp
    tests/picture_files_test.cpp
    tests/viewer_test.cpp
    tests/viewer_dib_test.cpp
    tests/sounds_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/Strings.cpp
    ${CMAKE_SOURCE_DIR}/Filmroll/tests/writers_test_util.cpp
  LIBS snapvo_files jgew32 aolxfer_loader velmora_audio)
target_include_directories(snapvo_files_test PRIVATE ${CMAKE_SOURCE_DIR}/Filmroll/tests)
set_property(TARGET snapvo_files_test APPEND PROPERTY BUILD_RPATH $<TARGET_FILE_DIR:aolxfer32>)
add_dependencies(snapvo_files_test aolxfer32)
target_compile_definitions(snapvo_files_test PRIVATE
  DJPEG_PROGRAM="djpeg"
  MAIL_LIBRARY="$<TARGET_FILE:aolxfer32>"
  MISSING_MAIL_LIBRARY="libaolxfer32_missing.so"
  SNAPVO_BUILT_DATA="${CMAKE_CURRENT_BINARY_DIR}")

velmora_add_fuzzer(fuzz_viewer_dib
  SOURCES fuzz/viewer_dib_fuzzer.cpp ViewerDib.cpp
  LIBS velmora_gdi
  CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/fuzz_viewer_dib)
target_include_directories(fuzz_viewer_dib PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/platform)

# The viewer on screen, in a program of its own that runs a QApplication.
add_executable(snapvo_viewer_view_test tests/viewer_view_test.cpp
  ${CMAKE_SOURCE_DIR}/Filmroll/tests/writers_test_util.cpp ${CMAKE_CURRENT_SOURCE_DIR}/Strings.cpp)
target_include_directories(snapvo_viewer_view_test PRIVATE ${CMAKE_SOURCE_DIR}/Filmroll/tests)
target_link_libraries(snapvo_viewer_view_test PRIVATE snapvo_files GTest::gtest)
gtest_discover_tests(snapvo_viewer_view_test DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
