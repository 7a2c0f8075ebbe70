# gaze-analyse: batch analysis of results files over the player's data code.
add_library(gaze_analysis STATIC
  ${CMAKE_CURRENT_LIST_DIR}/analysis/AnalysisOptions.h ${CMAKE_CURRENT_LIST_DIR}/analysis/AnalysisOptions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/analysis/AnalysisReport.h ${CMAKE_CURRENT_LIST_DIR}/analysis/AnalysisReport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/analysis/JsonWriter.h ${CMAKE_CURRENT_LIST_DIR}/analysis/JsonWriter.cpp)
target_include_directories(gaze_analysis PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(gaze_analysis PUBLIC player_data common Qt5::Core)

add_executable(gaze-analyse ${CMAKE_CURRENT_LIST_DIR}/analysis/gaze_analyse_main.cpp)
target_link_libraries(gaze-analyse PRIVATE gaze_analysis)
