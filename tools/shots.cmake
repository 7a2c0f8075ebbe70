# gaze-shots: finds the cuts of a movie and writes them as the player's shot file.
add_library(gaze_shots STATIC
  ${CMAKE_CURRENT_LIST_DIR}/shots/MovieFrames.h ${CMAKE_CURRENT_LIST_DIR}/shots/MovieFrames.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shots/CutDetector.h ${CMAKE_CURRENT_LIST_DIR}/shots/CutDetector.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shots/FoundShots.h ${CMAKE_CURRENT_LIST_DIR}/shots/FoundShots.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shots/ShotsTool.h ${CMAKE_CURRENT_LIST_DIR}/shots/ShotsTool.cpp)
target_include_directories(gaze_shots PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(gaze_shots PUBLIC gaze_cli player_data player_media common Qt5::Core Qt5::Gui PkgConfig::GST)

gaze_add_program(gaze-shots ${CMAKE_CURRENT_LIST_DIR}/shots/gaze_shots_main.cpp)
target_link_libraries(gaze-shots PRIVATE gaze_shots gaze_cli)
