# Cost per frame of showing the movie at 1280 x 720: delivery, painting, blending.
add_executable(media_bench media/MediaBench.cpp)
target_link_libraries(media_bench PRIVATE player_media benchmark::benchmark_main)
