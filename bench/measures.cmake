# Eye-movement events, synchrony and per-shot sums over a study, against loading it.
add_executable(measures_bench ${CMAKE_CURRENT_LIST_DIR}/measures/MeasuresBench.cpp)
target_link_libraries(measures_bench PRIVATE gaze_analysis benchmark::benchmark_main)
