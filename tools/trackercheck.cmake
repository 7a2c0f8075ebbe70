# Command-line check of the tracker server for operators.
add_library(trackercheck_lib STATIC
  trackercheck/TrackerCheck.h trackercheck/TrackerCheck.cpp
  trackercheck/PupilCheck.h trackercheck/PupilCheck.cpp)
target_link_libraries(trackercheck_lib PUBLIC gaze_options gtl pupil)
set_target_properties(trackercheck_lib PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)

gaze_add_program(trackercheck trackercheck/main.cpp)
target_link_libraries(trackercheck PRIVATE trackercheck_lib)
set_target_properties(trackercheck PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
