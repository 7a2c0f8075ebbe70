# gazelog-demo: an examination from start to end with a robot in the operator's chair.
gaze_add_program(gazelog-demo ${CMAKE_CURRENT_LIST_DIR}/demo/GazelogDemo.cpp)
target_link_libraries(gazelog-demo PRIVATE recorder_ui)
set_target_properties(gazelog-demo PROPERTIES AUTOUIC OFF)
