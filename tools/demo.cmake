# gazelog-demo: an examination from start to end with a robot in the operator's chair.
gaze_add_program(gazelog-demo ${CMAKE_CURRENT_LIST_DIR}/demo/GazelogDemo.cpp)
# The robot tells Pupil Capture's stand-in the movie's time on a socket of its own, beside the recorder's.
find_package(PkgConfig REQUIRED)
pkg_check_modules(ZMQ_DEMO REQUIRED IMPORTED_TARGET libzmq)
target_link_libraries(gazelog-demo PRIVATE recorder_ui PkgConfig::ZMQ_DEMO)
target_compile_definitions(gazelog-demo PRIVATE MSGPACK_NO_BOOST)
set_target_properties(gazelog-demo PROPERTIES AUTOUIC OFF)
