# gaze-analyse: batch analysis of results files over the player's data code.
add_library(gaze_analysis STATIC
  ${CMAKE_CURRENT_LIST_DIR}/analysis/AnalysisOptions.h ${CMAKE_CURRENT_LIST_DIR}/analysis/AnalysisOptions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/analysis/AnalysisReport.h ${CMAKE_CURRENT_LIST_DIR}/analysis/AnalysisReport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/analysis/JsonWriter.h ${CMAKE_CURRENT_LIST_DIR}/analysis/JsonWriter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/analysis/PupilPlot.h ${CMAKE_CURRENT_LIST_DIR}/analysis/PupilPlot.cpp
  ${CMAKE_CURRENT_LIST_DIR}/analysis/MeasureOptions.h ${CMAKE_CURRENT_LIST_DIR}/analysis/MeasureOptions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/analysis/FilmMeasures.h ${CMAKE_CURRENT_LIST_DIR}/analysis/FilmMeasures.cpp
  ${CMAKE_CURRENT_LIST_DIR}/analysis/FilmReport.h ${CMAKE_CURRENT_LIST_DIR}/analysis/FilmReport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/analysis/PanelDrawing.h ${CMAKE_CURRENT_LIST_DIR}/analysis/PanelDrawing.cpp
  ${CMAKE_CURRENT_LIST_DIR}/analysis/SynchronyPanel.h ${CMAKE_CURRENT_LIST_DIR}/analysis/SynchronyPanel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/analysis/AoiMeasures.h ${CMAKE_CURRENT_LIST_DIR}/analysis/AoiMeasures.cpp
  ${CMAKE_CURRENT_LIST_DIR}/analysis/AoiReport.h ${CMAKE_CURRENT_LIST_DIR}/analysis/AoiReport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/analysis/AoiPanel.h ${CMAKE_CURRENT_LIST_DIR}/analysis/AoiPanel.cpp)
target_include_directories(gaze_analysis PUBLIC ${CMAKE_CURRENT_LIST_DIR})
find_package(Qt5Svg 5.15 REQUIRED)
target_link_libraries(gaze_analysis PUBLIC gaze_cli player_data measures common Qt5::Core Qt5::Gui Qt5::Svg)

gaze_add_program(gaze-analyse ${CMAKE_CURRENT_LIST_DIR}/analysis/gaze_analyse_main.cpp)
target_link_libraries(gaze-analyse PRIVATE gaze_analysis gaze_cli)
