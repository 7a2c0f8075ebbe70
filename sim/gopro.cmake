# HTTP stand-in for the GoPro camera: a library that tests start in-process, and a
# thin program for demos.
add_library(gopro_sim STATIC
  gopro/GoproCameraStandIn.h gopro/GoproCameraStandIn.cpp)
target_link_libraries(gopro_sim PUBLIC gaze_options Qt5::Core Qt5::Network)

gaze_add_program(GoProCamera gopro/main.cpp)
target_link_libraries(GoProCamera PRIVATE gopro_sim)
