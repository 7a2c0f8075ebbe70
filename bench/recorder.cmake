# What the recording program spends on every tracker sample: framing, decoding,
# the controller's append and its log line.
add_executable(recorder_bench recorder/RecordingBench.cpp)
target_link_libraries(recorder_bench PRIVATE trackers gtl eyetribe_sim benchmark::benchmark)
set_target_properties(recorder_bench PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
