# GIF read and write on a 12-megapixel picture against giflib and ImageMagick:
# include from bench/CMakeLists.txt.
if(NOT TARGET benchmark::benchmark)
  find_package(benchmark REQUIRED)
endif()
find_path(GIFLIB_INCLUDE_DIR gif_lib.h REQUIRED)
find_library(GIFLIB_LIBRARY gif REQUIRED)
add_executable(gif_bench ${CMAKE_CURRENT_LIST_DIR}/gif_bench.cpp)
target_include_directories(gif_bench PRIVATE ${GIFLIB_INCLUDE_DIR})
target_link_libraries(gif_bench PRIVATE vantor32 ${GIFLIB_LIBRARY} velmora_bench_util benchmark::benchmark)
