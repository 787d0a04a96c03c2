# The colour reductions on a 12-megapixel picture: include from bench/CMakeLists.txt.
if(NOT TARGET benchmark::benchmark)
  find_package(benchmark REQUIRED)
endif()
add_executable(reduce_bench ${CMAKE_CURRENT_LIST_DIR}/reduce_bench.cpp)
target_link_libraries(reduce_bench PRIVATE vantor_reduce velmora_bench_util benchmark::benchmark)
# The colour reduction is timed on its own, below the engine's public calls.
target_include_directories(reduce_bench PRIVATE ${CMAKE_SOURCE_DIR}/image_engine)
