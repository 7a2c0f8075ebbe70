# Stand-in for the EyeTribe tracker server, installed where the recorder looks for
# it once ProgramFiles points at build/sim: build/sim/EyeTribe/Server/EyeTribe.

# The simulated viewer's gaze paths, the timed scripts and the programs' command line and
# stop signals, shared by the tracker stand-ins.
add_library(gaze_path_sim STATIC
  eyetribe/Script.h eyetribe/Script.cpp
  eyetribe/MovingBall.h eyetribe/MovingBall.cpp
  eyetribe/GazePath.h eyetribe/GazePath.cpp
  eyetribe/StandInProgram.h eyetribe/StandInProgram.cpp)
target_link_libraries(gaze_path_sim PUBLIC gaze_options common)
set_target_properties(gaze_path_sim PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)

add_library(eyetribe_sim STATIC
  eyetribe/ServerOptions.h eyetribe/ServerOptions.cpp
  eyetribe/JsonText.h eyetribe/JsonText.cpp
  eyetribe/RequestSplitter.h eyetribe/RequestSplitter.cpp
  eyetribe/TrackerModel.h eyetribe/TrackerModel.cpp
  eyetribe/EyeTribeServer.h eyetribe/EyeTribeServer.cpp)
target_link_libraries(eyetribe_sim PUBLIC gaze_options gaze_path_sim common Boost::headers Boost::system Threads::Threads)
set_target_properties(eyetribe_sim PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)

gaze_add_program(EyeTribe eyetribe/main.cpp)
target_link_libraries(EyeTribe PRIVATE eyetribe_sim)
set_target_properties(EyeTribe PROPERTIES
  AUTOMOC OFF AUTOUIC OFF AUTORCC OFF
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/sim/EyeTribe/Server)

# The demo movie's frames, drawn from the ball the stand-in's viewer can follow.
gaze_add_program(demo-movie eyetribe/demo_movie_main.cpp)
target_link_libraries(demo-movie PRIVATE gaze_path_sim)
set_target_properties(demo-movie PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
