# The capture service: live view and sequence capture speed.
add_executable(capture_bench ${CMAKE_CURRENT_LIST_DIR}/capture_bench.cpp)
target_link_libraries(capture_bench PRIVATE snapvo_core velmora_capture benchmark::benchmark)
