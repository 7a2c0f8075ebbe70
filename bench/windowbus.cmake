add_executable(window_bus_bench ${CMAKE_CURRENT_LIST_DIR}/WindowBusBench.cpp)
target_link_libraries(window_bus_bench PRIVATE platform Qt5::Core benchmark::benchmark_main)
