# The command-line steps the batch tools share: help, refusals, the log, a headless Qt.
add_library(gaze_cli STATIC
  ${CMAKE_CURRENT_LIST_DIR}/cli/ToolMain.h ${CMAKE_CURRENT_LIST_DIR}/cli/ToolMain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli/IntegerOption.h ${CMAKE_CURRENT_LIST_DIR}/cli/IntegerOption.cpp)
target_include_directories(gaze_cli PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(gaze_cli PUBLIC common platform Qt5::Core)
