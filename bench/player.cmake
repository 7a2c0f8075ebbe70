# Cost of one clock tick's overlay: many viewers at both presentation qualities, one viewer.
add_executable(player_overlay_bench player/OverlayBench.cpp)
target_link_libraries(player_overlay_bench PRIVATE player_overlay benchmark::benchmark_main)
# One tick of the heat map for 100 to 10,000 viewers.
add_executable(heat_map_bench player/HeatMapBench.cpp)
target_link_libraries(heat_map_bench PRIVATE player_overlay benchmark::benchmark_main)
