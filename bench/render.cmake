# Rendering speed of gaze-render: the overlay over one frame, and whole renderings to H.264.
add_executable(render_bench render/RenderBench.cpp)
target_link_libraries(render_bench PRIVATE gaze_render benchmark::benchmark_main)
