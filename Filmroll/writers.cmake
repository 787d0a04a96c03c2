# The film roll's writers, Save As and mail hand-off.
find_package(JPEG REQUIRED)
set(FILM_WRITER_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/jpeg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpegbmp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/art.cpp
  ${CMAKE_CURRENT_LIST_DIR}/aolmail.cpp
  ${CMAKE_CURRENT_LIST_DIR}/writefile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Flmsnap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/writers.cpp)
target_sources(film32 PRIVATE ${FILM_WRITER_SOURCES})
target_link_libraries(film32 PRIVATE jgew32 aolxfer_loader JPEG::JPEG)
# The hand-off library is found beside the program or on the loader's own path.
set_property(TARGET film32 APPEND PROPERTY BUILD_RPATH $<TARGET_FILE_DIR:aolxfer32>)
add_dependencies(film32 aolxfer32)

# The tests build the writers in, so they do not depend on what film32 exports.
velmora_add_test(film_writers_test
  SOURCES
    ${FILM_WRITER_SOURCES}
    ${CMAKE_CURRENT_LIST_DIR}/tests/writers_test_util.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/jpeg_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/art_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/saveas_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/mail_test.cpp
  LIBS img32 orb1i velmora_framework jgew32 aolxfer_loader JPEG::JPEG)
target_include_directories(film_writers_test PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_SOURCE_DIR})
set_property(TARGET film_writers_test APPEND PROPERTY BUILD_RPATH $<TARGET_FILE_DIR:aolxfer32>)
add_dependencies(film_writers_test aolxfer32)
target_compile_definitions(film_writers_test PRIVATE
  DJPEG_PROGRAM="djpeg"
  MISSING_MAIL_LIBRARY="libaolxfer32_missing.so"
  MAIL_LIBRARY="$<TARGET_FILE:aolxfer32>")

# The JPEG writer's BMP reader reads whatever file the roll holds.
velmora_add_fuzzer(fuzz_film_bmp_input
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/bmp_input_fuzzer.cpp ${CMAKE_CURRENT_LIST_DIR}/jpegbmp.cpp
  LIBS velmora_types
  CORPUS ${CMAKE_CURRENT_LIST_DIR}/fuzz/corpus/fuzz_film_bmp_input)
target_include_directories(fuzz_film_bmp_input PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_SOURCE_DIR}/platform)
