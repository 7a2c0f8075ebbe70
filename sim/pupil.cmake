# Stand-in for Pupil Capture's network interface: a library that tests start
# in-process, and a program for the demo (build/sim/Pupil/PupilCapture). The
# recorder never starts it; Pupil Capture is the operator's to run.
find_package(PkgConfig REQUIRED)
pkg_check_modules(ZMQ_SIM REQUIRED IMPORTED_TARGET libzmq)
add_library(pupil_sim STATIC
  pupil/PupilOptions.h pupil/PupilOptions.cpp
  pupil/PupilViewer.h pupil/PupilViewer.cpp
  pupil/PupilCaptureStandIn.h pupil/PupilCaptureStandIn.cpp)
target_link_libraries(pupil_sim PUBLIC gaze_options gaze_path_sim common PkgConfig::ZMQ_SIM Threads::Threads)
set_target_properties(pupil_sim PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)

gaze_add_program(PupilCapture pupil/main.cpp)
target_link_libraries(PupilCapture PRIVATE pupil_sim)
set_target_properties(PupilCapture PROPERTIES
  AUTOMOC OFF AUTOUIC OFF AUTORCC OFF
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/sim/Pupil)
