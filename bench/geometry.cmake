# Quarter turn and resize of a 12-megapixel picture against ImageMagick's convert:
# include from bench/CMakeLists.txt.
if(NOT TARGET benchmark::benchmark)
  find_package(benchmark REQUIRED)
endif()
add_executable(geometry_bench ${CMAKE_CURRENT_LIST_DIR}/geometry_bench.cpp)
target_link_libraries(geometry_bench PRIVATE vantor32 velmora_bench_util benchmark::benchmark)
