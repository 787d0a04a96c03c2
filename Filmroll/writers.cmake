# The film roll's writers, Save As and mail hand-off.
find_package(JPEG REQUIRED)

# The JPEG and ART writers and the guarded picture reads, built once: the
# still program links this same library, so each of its symbols exists once
# in a process that loads both.
add_library(film_writers SHARED
  ${CMAKE_CURRENT_LIST_DIR}/jpeg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpegbmp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/art.cpp
  ${CMAKE_CURRENT_LIST_DIR}/readfile.cpp)
target_include_directories(film_writers PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_SOURCE_DIR}/platform)
target_link_libraries(film_writers PUBLIC img32 velmora_gdi velmora_types PRIVATE jgew32 JPEG::JPEG)

target_sources(film32 PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/aolmail.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Flmsnap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/writers.cpp)
target_link_libraries(film32 PUBLIC film_writers PRIVATE aolxfer_loader)
# The hand-off library is found beside the program or on the loader's own path.
set_property(TARGET film32 APPEND PROPERTY BUILD_RPATH $<TARGET_FILE_DIR:aolxfer32>)
add_dependencies(film32 aolxfer32)

velmora_add_test(film_writers_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/tests/writers_test_util.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/jpeg_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/art_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/saveas_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/mail_test.cpp
  LIBS film32 jgew32 aolxfer_loader)
target_include_directories(film_writers_test PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_SOURCE_DIR})
set_property(TARGET film_writers_test APPEND PROPERTY BUILD_RPATH $<TARGET_FILE_DIR:aolxfer32>)
add_dependencies(film_writers_test aolxfer32)
target_compile_definitions(film_writers_test PRIVATE
  DJPEG_PROGRAM="djpeg"
  MISSING_MAIL_LIBRARY="libaolxfer32_missing.so"
  MAIL_LIBRARY="$<TARGET_FILE:aolxfer32>")

# The JPEG writer's BMP reader reads whatever file the roll holds.
velmora_add_fuzzer(fuzz_film_bmp_input
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/bmp_input_fuzzer.cpp
  LIBS film_writers
  CORPUS ${CMAKE_CURRENT_LIST_DIR}/fuzz/corpus/fuzz_film_bmp_input)
