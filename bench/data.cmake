# Results loading, derivation and set statistics at the size of a real study.
add_executable(player_data_bench ${CMAKE_CURRENT_LIST_DIR}/data/ResultsBench.cpp)
target_link_libraries(player_data_bench PRIVATE player_data benchmark::benchmark_main)
