# Framing and decoding of the tracker's frames: frames per second on one core.
add_executable(gtl_bench gtl/FrameDecodingBench.cpp)
target_link_libraries(gtl_bench PRIVATE gtl eyetribe_sim benchmark::benchmark_main)
set_target_properties(gtl_bench PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
