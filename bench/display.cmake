# The display path on a 12-megapixel picture against ImageMagick: include from
# bench/CMakeLists.txt.
if(NOT TARGET benchmark::benchmark)
  find_package(benchmark REQUIRED)
endif()
add_executable(display_bench ${CMAKE_CURRENT_LIST_DIR}/display_bench.cpp)
target_link_libraries(display_bench PRIVATE vantor32 velmora_bench_util benchmark::benchmark)
