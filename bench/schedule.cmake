# A week of auto-capture decisions, one a second: include from bench/CMakeLists.txt.
if(NOT TARGET benchmark::benchmark)
  find_package(benchmark REQUIRED)
endif()
add_executable(schedule_bench ${CMAKE_CURRENT_LIST_DIR}/schedule_bench.cpp)
target_link_libraries(schedule_bench PRIVATE snapvo_schedule velmora_framework benchmark::benchmark)
