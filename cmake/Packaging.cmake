# Installation and packages, the version written once: the project's, which
# the DLL's version resource carries too (1.0.0.0 there, 1.0.0 here).
#   Linux:   a Debian package, the Java way: the libraries in /usr/lib/jni
#            (on the JDK's java.library.path, and beside each other for the
#            bridge's $ORIGIN), the jars in /usr/share/java, qelscan in
#            /usr/bin; picocli from Debian's libpicocli-java.
#   Windows: QELScanner-<version>-win32.zip with what a branch needs, and
#            the virtual scanner's MIRBAP32.dll in a zip of its own for
#            developers without a scanner (a branch uses the maker's).
# Both are made by scripts/package.sh.
set(QELSCAN_PACKAGE_VERSION
  "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}")
set(CPACK_PACKAGE_NAME QELScanner)
set(CPACK_PACKAGE_VERSION "${QELSCAN_PACKAGE_VERSION}")
set(CPACK_PACKAGE_VENDOR "QELScanner")
set(CPACK_PACKAGE_CONTACT "QELScanner developers <qelscanner@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Java bridge to a bank-check scanner library, with a virtual scanner")
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/packages")
# Packaging builds only what it installs (scripts/package.sh names the
# targets), not the tests that "all" would bring.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_STRIP_FILES OFF) # the packaged DLL is the one the checks passed

get_target_property(qelscan_api_jar QelScanApi JAR_FILE)

if(WIN32)
  install(TARGETS QELScanner RUNTIME DESTINATION . COMPONENT branch)
  install(FILES "${qelscan_api_jar}" "${QELSCAN_TOOL_JAR}"
    "${QELSCAN_OUTPUT_DIR}/qelscan.cmd"
    "${CMAKE_SOURCE_DIR}/README.md" "${CMAKE_SOURCE_DIR}/INSTALL.md"
    DESTINATION . COMPONENT branch)
  install(TARGETS MIRBAP32 RUNTIME DESTINATION . COMPONENT virtualscanner)
  install(FILES "${CMAKE_SOURCE_DIR}/virtualscanner/README.md"
    DESTINATION . RENAME VIRTUAL-SCANNER.md COMPONENT virtualscanner)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL branch virtualscanner)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_ARCHIVE_BRANCH_FILE_NAME "QELScanner-${QELSCAN_PACKAGE_VERSION}-win32")
  set(CPACK_ARCHIVE_VIRTUALSCANNER_FILE_NAME
    "QELScanner-${QELSCAN_PACKAGE_VERSION}-win32-virtual-scanner")
else()
  install(TARGETS QELScanner MIRBAP32 LIBRARY DESTINATION lib/jni)
  install(FILES "${qelscan_api_jar}" "${QELSCAN_DEBIAN_TOOL_JAR}"
    DESTINATION share/java)
  install(PROGRAMS "${CMAKE_SOURCE_DIR}/java/launcher/qelscan" DESTINATION bin)
  install(FILES "${CMAKE_SOURCE_DIR}/README.md" "${CMAKE_SOURCE_DIR}/INSTALL.md"
    DESTINATION share/doc/qelscanner)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_PACKAGE_NAME qelscanner)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION java)
  # The native libraries' own needs (libtiff, libjpeg, the C++ runtime) come
  # from dpkg-shlibdeps; the Java side is declared here.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "default-jre-headless | java8-runtime-headless, libpicocli-java")
endif()

include(CPack)
