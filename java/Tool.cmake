# qelscan, the check-capture command-line tool over the capture library:
# qelscan.jar (the tool with picocli's classes inside, so that it runs on a
# branch machine beside QelScanApi.jar and qelscan-capture.jar) and its
# launchers, in ${QELSCAN_OUTPUT_DIR} with the rest.

# A host file, also when cross-building for Windows.
find_file(QELSCAN_PICOCLI_JAR picocli.jar
  PATHS /usr/share/java NO_CMAKE_FIND_ROOT_PATH
  DOC "picocli (Debian package libpicocli-java)")
if(NOT QELSCAN_PICOCLI_JAR)
  message(FATAL_ERROR "picocli.jar not found: install the Debian package "
    "libpicocli-java (scripts/install-deps.sh)")
endif()
# Travels inside the jar with picocli's classes.
set(qelscan_picocli_copyright /usr/share/doc/libpicocli-java/copyright)

set(tool_source_dir ${CMAKE_CURRENT_SOURCE_DIR}/QelScan/tool)
set(tool_work_dir ${CMAKE_CURRENT_BINARY_DIR}/qelscan-tool)
set(tool_classes ${tool_work_dir}/classes)
set(tool_jar ${QELSCAN_OUTPUT_DIR}/qelscan.jar)

# The tool manages the bridge's log files, so it is told their folder by
# the same option the bridge was built with, as a Java string literal.
string(REPLACE "\\" "\\\\" qelscan_tool_log_dir "${QELSCAN_LOG_DIR}")
string(REPLACE "\"" "\\\"" qelscan_tool_log_dir "${qelscan_tool_log_dir}")
set(tool_settings ${tool_work_dir}/src/QelScan/tool/BuildSettings.java)
configure_file(${tool_source_dir}/BuildSettings.java.in ${tool_settings} @ONLY)

get_target_property(tool_api_jar QelScanApi JAR_FILE)
get_filename_component(tool_api_jar_name ${tool_api_jar} NAME)
get_target_property(tool_capture_jar qelscan_capture JAR_FILE)
get_filename_component(tool_capture_jar_name ${tool_capture_jar} NAME)
set(tool_manifest ${tool_work_dir}/MANIFEST.MF)
file(WRITE ${tool_manifest}.in "Main-Class: QelScan.tool.Main\n"
  "Class-Path: ${tool_api_jar_name} ${tool_capture_jar_name}\n")
configure_file(${tool_manifest}.in ${tool_manifest} COPYONLY)

file(GLOB tool_sources CONFIGURE_DEPENDS ${tool_source_dir}/*.java)
set(tool_copy_license "")
if(EXISTS ${qelscan_picocli_copyright})
  set(tool_copy_license COMMAND ${CMAKE_COMMAND} -E copy
    ${qelscan_picocli_copyright} ${tool_classes}/META-INF/picocli.copyright)
endif()

add_custom_command(
  OUTPUT ${tool_jar}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${tool_classes}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${tool_classes}/META-INF
  COMMAND ${CMAKE_COMMAND} -E chdir ${tool_classes}
    ${Java_JAR_EXECUTABLE} xf ${QELSCAN_PICOCLI_JAR} picocli
  ${tool_copy_license}
  COMMAND ${Java_JAVAC_EXECUTABLE} --release 8 -Xlint:all,-options -Werror
    -encoding UTF-8 -cp ${tool_api_jar}:${tool_capture_jar}:${QELSCAN_PICOCLI_JAR}
    -d ${tool_classes} ${tool_sources} ${tool_settings}
  COMMAND ${Java_JAR_EXECUTABLE} cfm ${tool_jar} ${tool_manifest}
    -C ${tool_classes} .
  DEPENDS ${tool_sources} ${tool_settings} ${tool_manifest} ${tool_api_jar}
    ${tool_capture_jar}
  COMMENT "Building qelscan.jar"
  VERBATIM)
# For the Debian package, Debian's Java policy wants picocli from its own
# package (libpicocli-java), not a copy: the same classes without it.
set(tool_debian_jar ${CMAKE_CURRENT_BINARY_DIR}/debian/qelscan.jar)
set(tool_debian_manifest ${tool_work_dir}/debian-MANIFEST.MF)
file(WRITE ${tool_debian_manifest}.in "Main-Class: QelScan.tool.Main\n"
  "Class-Path: ${tool_api_jar_name} ${tool_capture_jar_name} picocli.jar\n")
configure_file(${tool_debian_manifest}.in ${tool_debian_manifest} COPYONLY)
add_custom_command(
  OUTPUT ${tool_debian_jar}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/debian
  COMMAND ${Java_JAR_EXECUTABLE} cfm ${tool_debian_jar} ${tool_debian_manifest}
    -C ${tool_classes} QelScan
  DEPENDS ${tool_jar} ${tool_debian_manifest}
  COMMENT "Building qelscan.jar without picocli, for the Debian package"
  VERBATIM)
add_custom_target(qelscan ALL DEPENDS ${tool_jar} ${tool_debian_jar})
add_dependencies(qelscan QelScanApi qelscan_capture)
set(QELSCAN_TOOL_JAR ${tool_jar} CACHE INTERNAL "qelscan.jar with picocli")
set(QELSCAN_DEBIAN_TOOL_JAR ${tool_debian_jar} CACHE INTERNAL
  "qelscan.jar for the Debian package")

# The launchers find the jar and the libraries relative to themselves.
foreach(launcher qelscan qelscan.cmd)
  configure_file(${CMAKE_CURRENT_SOURCE_DIR}/launcher/${launcher}
    ${QELSCAN_OUTPUT_DIR}/${launcher} COPYONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
      GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()
