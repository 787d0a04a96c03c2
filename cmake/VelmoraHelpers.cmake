# Shared helpers for tests and fuzz targets.

# The engine's tests and every fuzz target's corpus replay also run in CI's
# sanitizer build; they carry the label "sanitize" and are collected in the
# target ci_sanitize_set, so that build compiles only what it runs.
function(velmora_mark_for_sanitize name)
  set_property(GLOBAL APPEND PROPERTY VELMORA_SANITIZE_TARGETS ${name})
endfunction()

# velmora_add_test(NAME SOURCES ... LIBS ...)
# One GoogleTest executable per call, registered case by case with ctest.
function(velmora_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  set(properties ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  if(CMAKE_CURRENT_SOURCE_DIR MATCHES "/image_engine(/|$)")
    list(APPEND properties LABELS sanitize)
    velmora_mark_for_sanitize(${name})
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
endfunction()

# velmora_add_fuzzer(NAME SOURCES ... LIBS ... CORPUS dir)
# The sources define LLVMFuzzerTestOneInput. In a fuzz build the target is a
# libFuzzer binary; in every other build it is a replay driver that feeds each
# file of the seed corpus through the same entry point, run by ctest.
function(velmora_add_fuzzer name)
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  if(VELMORA_FUZZ)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/cmake/fuzz_replay_main.cpp)
    add_test(NAME ${name}_corpus COMMAND ${name} ${F_CORPUS})
    set_tests_properties(${name}_corpus PROPERTIES LABELS sanitize)
    velmora_mark_for_sanitize(${name})
  endif()
endfunction()

# velmora_copy_beside(OUT SUBDIR FILE...)
# Copies each file into SUBDIR of the current build folder, where a program
# built there finds its data as it finds the installed copy; OUT names the
# copies, for a target that depends on them.
function(velmora_copy_beside out subdir)
  set(copies)
  foreach(source ${ARGN})
    get_filename_component(name ${source} NAME)
    set(copy ${CMAKE_CURRENT_BINARY_DIR}/${subdir}/${name})
    add_custom_command(OUTPUT ${copy} COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy} DEPENDS ${source})
    list(APPEND copies ${copy})
  endforeach()
  set(${out} ${copies} PARENT_SCOPE)
endfunction()
