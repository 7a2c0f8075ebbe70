# gaze-render: the player's overlay drawn over a movie into a video or pictures, without a display.
add_library(gaze_render STATIC
  ${CMAKE_CURRENT_LIST_DIR}/render/RenderOptions.h ${CMAKE_CURRENT_LIST_DIR}/render/RenderOptions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/render/I420Blend.h ${CMAKE_CURRENT_LIST_DIR}/render/I420Blend.cpp
  ${CMAKE_CURRENT_LIST_DIR}/render/OverlayFrames.h ${CMAKE_CURRENT_LIST_DIR}/render/OverlayFrames.cpp
  ${CMAKE_CURRENT_LIST_DIR}/render/PieceJoin.h ${CMAKE_CURRENT_LIST_DIR}/render/PieceJoin.cpp
  ${CMAKE_CURRENT_LIST_DIR}/render/VideoExport.h ${CMAKE_CURRENT_LIST_DIR}/render/VideoExport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/render/RenderJob.h ${CMAKE_CURRENT_LIST_DIR}/render/RenderJob.cpp)
target_include_directories(gaze_render PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(gaze_render PUBLIC gaze_cli gaze_shots player_overlay player_core player_media player_data common Qt5::Core Qt5::Gui
  PkgConfig::GST)

gaze_add_program(gaze-render ${CMAKE_CURRENT_LIST_DIR}/render/gaze_render_main.cpp)
target_link_libraries(gaze-render PRIVATE gaze_render gaze_cli)
# The overlay's blend runs over many pixels of every frame; its loops are written for the vectoriser.
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/render/I420Blend.cpp PROPERTIES COMPILE_OPTIONS -O3)
