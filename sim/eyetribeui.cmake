# Stand-in for the EyeTribe calibration program, installed beside the server
# stand-in: build/sim/EyeTribe/Client/EyeTribeUIWin.
add_library(eyetribe_ui_sim STATIC
  eyetribe_ui/CalibrationSession.h eyetribe_ui/CalibrationSession.cpp
  eyetribe_ui/CalibrationWindow.h eyetribe_ui/CalibrationWindow.cpp)
target_link_libraries(eyetribe_ui_sim PUBLIC gaze_options gtl Qt5::Network Qt5::Widgets)

gaze_add_program(EyeTribeUIWin eyetribe_ui/main.cpp)
target_link_libraries(EyeTribeUIWin PRIVATE eyetribe_ui_sim)
set_target_properties(EyeTribeUIWin PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/sim/EyeTribe/Client)
