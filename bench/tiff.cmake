# TIFF LZW read and write on a 12-megapixel picture against libtiff: include
# from bench/CMakeLists.txt. Built only where libtiff's headers are installed.
if(NOT TARGET benchmark::benchmark)
  find_package(benchmark REQUIRED)
endif()
find_package(TIFF QUIET)
if(TIFF_FOUND)
  add_executable(tiff_bench ${CMAKE_CURRENT_LIST_DIR}/tiff_bench.cpp)
  target_link_libraries(tiff_bench PRIVATE vantor32 TIFF::TIFF velmora_bench_util benchmark::benchmark)
  # The process rows run the command-line tool against tiffcp.
  add_dependencies(tiff_bench vantor)
  target_compile_definitions(tiff_bench PRIVATE VANTOR_TOOL="$<TARGET_FILE:vantor>")
else()
  message(STATUS "libtiff headers not found: tiff_bench is not built")
endif()
