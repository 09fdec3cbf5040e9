# The capture library: qelscan-capture.jar, compiled against QelScanApi.jar
# but without its classes (an application brings ours or its own copy), and
# its Javadoc, both in ${QELSCAN_OUTPUT_DIR}.

file(GLOB capture_sources CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/capture/QelScan/capture/*.java)
set(capture_manifest ${CMAKE_CURRENT_BINARY_DIR}/qelscan-capture/MANIFEST.MF)
# Written only when its text changes, so that configuring does not rebuild the jar.
file(WRITE ${capture_manifest}.in "Automatic-Module-Name: QelScan.capture\n")
configure_file(${capture_manifest}.in ${capture_manifest} COPYONLY)

set(CMAKE_JAVA_COMPILE_FLAGS --release 8 -Xlint:all,-options -Werror -encoding UTF-8)
add_jar(qelscan_capture
  SOURCES ${capture_sources}
  INCLUDE_JARS QelScanApi
  MANIFEST ${capture_manifest}
  OUTPUT_NAME qelscan-capture
  OUTPUT_DIR ${QELSCAN_OUTPUT_DIR})

# Every public type and member documented, no warning; -noindex leaves out
# the search index and the JavaScript library that comes with it;
# -notimestamp keeps the pages the same from one build to the next.
get_target_property(capture_api_jar QelScanApi JAR_FILE)
set(capture_javadoc_dir ${QELSCAN_OUTPUT_DIR}/qelscan-capture-javadoc)
set(capture_javadoc_stamp ${CMAKE_CURRENT_BINARY_DIR}/qelscan-capture/javadoc.stamp)
add_custom_command(
  OUTPUT ${capture_javadoc_stamp}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${capture_javadoc_dir}
  COMMAND ${Java_JAVADOC_EXECUTABLE} --release 8 -Xdoclint:all -Werror -noindex
    -notimestamp -quiet -encoding UTF-8 -docencoding UTF-8 -charset UTF-8
    -doctitle "QelScan.capture" -windowtitle "QelScan.capture"
    -cp ${capture_api_jar} -d ${capture_javadoc_dir} ${capture_sources}
  COMMAND ${CMAKE_COMMAND} -E touch ${capture_javadoc_stamp}
  DEPENDS ${capture_sources} ${capture_api_jar}
  COMMENT "Building the Javadoc of qelscan-capture.jar"
  VERBATIM)
add_custom_target(qelscan_capture_javadoc ALL DEPENDS ${capture_javadoc_stamp})
add_dependencies(qelscan_capture_javadoc QelScanApi)
