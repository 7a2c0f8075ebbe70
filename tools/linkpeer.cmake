# link-peer: plays the player's side of the recording-playback link.
gaze_add_program(link-peer ${CMAKE_CURRENT_LIST_DIR}/LinkPeer.cpp)
target_link_libraries(link-peer PRIVATE platform Qt5::Core)
