# The Debian package: cpack -G DEB in a build configured with the prefix /usr.
set(CPACK_PACKAGE_NAME ${GAZE_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "Orvalis")
set(CPACK_PACKAGE_CONTACT "Orvalis Reelscan <reelscan@orvalis.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "eye-tracking recorder and gaze data player for movies")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Gazelog records where a viewer looks while a movie plays, driving an EyeTribe\n\
or Tobii EyeX eye tracker, and writes one results file per viewer. Gazeview\n\
plays the movie back with one viewer's gaze or many viewers' heat map drawn\n\
over it, and divides it into shots. gaze-analyse prints the analysis of\n\
results files and trackercheck checks the tracker server.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so shlibdeps cannot see them: the media back end of the duration
# probe, the GStreamer elements that decode the movies, and Qt's own Polish texts.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libqt5multimedia5-plugins, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-libav, qttranslations5-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-plugins-ugly")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEB_COMPONENT_INSTALL OFF)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};Unspecified;/")
include(CPack)
