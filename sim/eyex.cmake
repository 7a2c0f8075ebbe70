# Stand-ins for the EyeX engine and its settings program, installed where the
# recorder looks for them once ProgramFiles points at build/sim:
# build/sim/Tobii/Tobii EyeX/Tobii.EyeX.Engine and .../Tobii.EyeX.Settings.
add_library(eyex_sim STATIC eyex/EyeXEngine.h eyex/EyeXEngine.cpp)
target_link_libraries(eyex_sim PUBLIC gaze_options Qt5::Core Qt5::Network)

gaze_add_program(Tobii.EyeX.Engine eyex/main.cpp)
target_link_libraries(Tobii.EyeX.Engine PRIVATE eyex_sim eyex)
gaze_add_program(Tobii.EyeX.Settings eyex/settings_main.cpp)
target_link_libraries(Tobii.EyeX.Settings PRIVATE gaze_options)
set_target_properties(Tobii.EyeX.Engine Tobii.EyeX.Settings PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/sim/Tobii/Tobii EyeX")
