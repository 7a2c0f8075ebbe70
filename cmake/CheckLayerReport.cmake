# Fails when the layer report the build wrote names a library that breaks the
# rule: cmake -DREPORT=build/layer-report.txt -P CheckLayerReport.cmake
file(READ ${REPORT} report)
if(NOT report STREQUAL "")
  message(FATAL_ERROR "libraries below the windows reach widgets or multimedia:\n${report}")
endif()
