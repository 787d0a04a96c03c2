# JPEG decode and encode of a 12-megapixel picture against libjpeg-turbo, in
# the process and as whole processes (the engine's tool against the library's):
# include from bench/CMakeLists.txt.
if(NOT TARGET benchmark::benchmark)
  find_package(benchmark REQUIRED)
endif()
find_package(JPEG REQUIRED)
add_executable(jpeg_bench ${CMAKE_CURRENT_LIST_DIR}/jpeg_bench.cpp)
target_link_libraries(jpeg_bench PRIVATE vantor32 JPEG::JPEG velmora_bench_util benchmark::benchmark)
target_compile_definitions(jpeg_bench PRIVATE VANTOR_TOOL="$<TARGET_FILE:vantor>")
add_dependencies(jpeg_bench vantor)
