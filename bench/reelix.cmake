# The movie program's recording: streaming with sound through the capture
# window classes it shares with the still program, and start to the first
# live picture.
find_package(Qt6 REQUIRED COMPONENTS Widgets)
add_executable(reelix_bench ${CMAKE_CURRENT_LIST_DIR}/reelix_bench.cpp)
target_link_libraries(reelix_bench PRIVATE still_capture velmora_capture velmora_movie velmora_audio
  velmora_framework benchmark::benchmark Qt6::Widgets)
