# Installation and packages, the version written once: the project's, which
# the DLL's version resource carries too (1.0.0.0 there, 1.0.0 here).
#   Linux:   a Debian package, the Java way: the libraries in /usr/lib/jni
#            (on the JDK's java.library.path, and beside each other for the
#            bridge's $ORIGIN), the jars in /usr/share/java, qelscan in
#            /usr/bin with its manual page, the capture library's Javadoc
#            in /usr/share/doc/qelscanner/api (registered with doc-base);
#            picocli from Debian's libpicocli-java. The libraries' debug
#            information goes into qelscanner-dbgsym, by build id.
#   Windows x64: QELScanner-<version>-win64.zip, the x64 bridge with the
#            proxy and the 32-bit host (below).
#   Windows: QELScanner-<version>-win32.zip with what a branch needs (the
#            jars side by side, the capture library's Javadoc beside), the
#            virtual scanner's MIRBAP32.dll in a zip of its own for
#            developers without a scanner (a branch uses the maker's), and
#            the two DLLs' debug files in a third, for support.
# Each carries our LICENSE and NOTICE and THIRD-PARTY-NOTICES.txt, made here
# from Debian's copyright files of what its binaries hold or link.
# All are made by scripts/package.sh.
set(QELSCAN_PACKAGE_VERSION
  "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}")
set(CPACK_PACKAGE_NAME QELScanner)
set(CPACK_PACKAGE_VERSION "${QELSCAN_PACKAGE_VERSION}")
set(CPACK_PACKAGE_VENDOR "QELScanner")
set(CPACK_PACKAGE_CONTACT "QELScanner team <qelscanner-team@example.org>")
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/packages")
# Packaging builds only what it installs (scripts/package.sh names the
# targets), not the tests that "all" would bring.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
# The binaries are stripped by the build (cmake/Release.cmake): the packaged
# ones are those the checks passed.
set(CPACK_STRIP_FILES OFF)

set(qelscan_package_dir "${CMAKE_BINARY_DIR}/package")
set(qelscan_package_scripts "${CMAKE_SOURCE_DIR}/cmake/package")
file(MAKE_DIRECTORY "${qelscan_package_dir}")
get_target_property(qelscan_api_jar QelScanApi JAR_FILE)
# The capture library, its jar named qelscan-capture.jar in both packages
# (qelscan.jar finds it beside itself), and its Javadoc (java/Capture.cmake).
get_target_property(qelscan_capture_jar qelscan_capture JAR_FILE)
set(qelscan_capture_javadoc "${QELSCAN_OUTPUT_DIR}/qelscan-capture-javadoc")

# qel_third_party_notices(<component> <destination> <title> <part>...):
# <part> is deb:<package>, src:<unpacked source package> or file:<a file
# of an installed package>, see third_party_notices.sh. Makes
# ${qelscan_package_dir}/<component>/THIRD-PARTY-NOTICES.txt and installs
# it with LICENSE and NOTICE into <destination> of <component>.
# Written again whenever dpkg installs or upgrades a package (its status
# file changes), so that the notices follow the versions.
set(qelscan_dpkg_status /var/lib/dpkg/status)
function(qel_third_party_notices component destination title)
  set(components "")
  set(sources "")
  foreach(item IN LISTS ARGN)
    if(item MATCHES "^src:(.*)$")
      list(APPEND sources "${CMAKE_MATCH_1}/debian/changelog")
    endif()
    if(item MATCHES "^file:(.*)$")
      # The package of a file, found now: the notices then name it.
      execute_process(COMMAND dpkg-query -S "${CMAKE_MATCH_1}"
        OUTPUT_VARIABLE owner OUTPUT_STRIP_TRAILING_WHITESPACE
        COMMAND_ERROR_IS_FATAL ANY)
      string(REGEX REPLACE "[:,].*$" "" owner "${owner}")
      set(item "deb:${owner}")
    endif()
    list(APPEND components "${item}")
  endforeach()
  set(notices "${qelscan_package_dir}/${component}/THIRD-PARTY-NOTICES.txt")
  add_custom_command(OUTPUT "${notices}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${qelscan_package_dir}/${component}"
    COMMAND ${qelscan_package_scripts}/third_party_notices.sh "${notices}" "${title}"
      ${components}
    DEPENDS ${qelscan_package_scripts}/third_party_notices.sh ${qelscan_dpkg_status}
      ${sources}
    COMMENT "Writing the third-party notices of ${component}"
    VERBATIM)
  add_custom_target(qelscan_notices_${component} ALL DEPENDS "${notices}")
  add_dependencies(qelscan_package_files qelscan_notices_${component})
  install(FILES "${CMAKE_SOURCE_DIR}/LICENSE" "${CMAKE_SOURCE_DIR}/NOTICE" "${notices}"
    DESTINATION "${destination}" COMPONENT ${component})
endfunction()

# qel_mingw_runtimes(<variable>): the mingw-w64 and GCC runtime libraries
# the DLLs carry inside, as file: parts of qel_third_party_notices.
function(qel_mingw_runtimes variable)
  set(parts "")
  foreach(library libmingwex.a libstdc++.a)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${library}
      OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(path "${path}" REALPATH)
    list(APPEND parts "file:${path}")
  endforeach()
  set(${variable} ${parts} PARENT_SCOPE)
endfunction()

# Everything the packages hold beyond the build's own artefacts.
add_custom_target(qelscan_package_files ALL)
add_dependencies(qelscan_package_files qelscan_capture qelscan_capture_javadoc)

if(WIN32 AND QELSCAN_WIN64)
  # QELScanner-<version>-win64.zip: the x64 bridge and the proxy, the
  # 32-bit host in x86\ (where the maker's MIRBAP32.dll goes), the jars,
  # qelscan.cmd and the documents; the DLLs' and the host's debug files in
  # QELScanner-<version>-win64-debug.zip.
  install(TARGETS QELScanner qelscan_proxy RUNTIME DESTINATION . COMPONENT win64)
  install(PROGRAMS "${QELSCAN_OUTPUT_DIR}/x86/qelscanhost32.exe" DESTINATION x86
    COMPONENT win64)
  foreach(jar IN ITEMS "${qelscan_api_jar}" "${QELSCAN_TOOL_JAR}" "${qelscan_capture_jar}")
    install(FILES "${jar}" DESTINATION . COMPONENT win64)
  endforeach()
  install(DIRECTORY "${qelscan_capture_javadoc}/" DESTINATION qelscan-capture-javadoc
    COMPONENT win64)
  install(FILES "${QELSCAN_OUTPUT_DIR}/qelscan.cmd"
    "${CMAKE_SOURCE_DIR}/README.md" "${CMAKE_SOURCE_DIR}/INSTALL.md"
    DESTINATION . COMPONENT win64)
  install(FILES "${QELSCAN_OUTPUT_DIR}/.debug/QELScanner.dll.debug"
    "${QELSCAN_OUTPUT_DIR}/.debug/MIRBAP32.dll.debug" DESTINATION . COMPONENT win64debug)
  install(FILES "${QELSCAN_WIN32_OUT}/.debug/qelscanhost32.exe.debug" DESTINATION x86
    COMPONENT win64debug)
  # The DLLs and the host carry the mingw-w64 runtime and GCC's runtime
  # libraries; qelscan.jar carries picocli.
  qel_mingw_runtimes(qelscan_runtimes)
  set(qelscan_title "QELScanner ${QELSCAN_PACKAGE_VERSION} for 64-bit Windows")
  qel_third_party_notices(win64 . "${qelscan_title}" ${qelscan_runtimes}
    "file:${QELSCAN_PICOCLI_JAR}")
  qel_third_party_notices(win64debug . "${qelscan_title}, debug files" ${qelscan_runtimes})
  set(CPACK_GENERATOR ZIP)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL win64 win64debug)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_ARCHIVE_WIN64_FILE_NAME "QELScanner-${QELSCAN_PACKAGE_VERSION}-win64")
  set(CPACK_ARCHIVE_WIN64DEBUG_FILE_NAME "QELScanner-${QELSCAN_PACKAGE_VERSION}-win64-debug")
elseif(WIN32)
  # qel_package_jar(<jar>): a jar of the branch zip, beside the others.
  function(qel_package_jar jar)
    install(FILES "${jar}" DESTINATION . COMPONENT branch)
  endfunction()

  install(TARGETS QELScanner RUNTIME DESTINATION . COMPONENT branch)
  qel_package_jar("${qelscan_api_jar}")
  qel_package_jar("${QELSCAN_TOOL_JAR}")
  qel_package_jar("${qelscan_capture_jar}")
  install(DIRECTORY "${qelscan_capture_javadoc}/" DESTINATION qelscan-capture-javadoc
    COMPONENT branch)
  install(FILES "${QELSCAN_OUTPUT_DIR}/qelscan.cmd"
    "${CMAKE_SOURCE_DIR}/README.md" "${CMAKE_SOURCE_DIR}/INSTALL.md"
    DESTINATION . COMPONENT branch)
  install(TARGETS MIRBAP32 RUNTIME DESTINATION . COMPONENT virtualscanner)
  install(FILES "${CMAKE_SOURCE_DIR}/virtualscanner/README.md"
    DESTINATION . RENAME VIRTUAL-SCANNER.md COMPONENT virtualscanner)
  install(FILES "${QELSCAN_OUTPUT_DIR}/.debug/QELScanner.dll.debug"
    "${QELSCAN_OUTPUT_DIR}/.debug/MIRBAP32.dll.debug" DESTINATION . COMPONENT debug)

  # Both DLLs carry the mingw-w64 runtime (with winpthreads) and GCC's
  # runtime libraries; the stand-in also libtiff and libjpeg-turbo, built
  # from Debian's sources (scripts/build-win32-deps.sh); qelscan.jar
  # carries picocli.
  qel_mingw_runtimes(qelscan_runtimes)
  get_filename_component(qelscan_win32_sources "${QELSCAN_WIN32_DEPS}/../src" ABSOLUTE)
  set(qelscan_title "QELScanner ${QELSCAN_PACKAGE_VERSION} for Windows")
  qel_third_party_notices(branch . "${qelscan_title}" ${qelscan_runtimes}
    "file:${QELSCAN_PICOCLI_JAR}")
  qel_third_party_notices(virtualscanner . "${qelscan_title}, virtual scanner"
    ${qelscan_runtimes} "src:${qelscan_win32_sources}/tiff"
    "src:${qelscan_win32_sources}/libjpeg-turbo")
  qel_third_party_notices(debug . "${qelscan_title}, debug files"
    ${qelscan_runtimes} "src:${qelscan_win32_sources}/tiff"
    "src:${qelscan_win32_sources}/libjpeg-turbo")

  set(CPACK_GENERATOR ZIP)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL branch virtualscanner debug)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_ARCHIVE_BRANCH_FILE_NAME "QELScanner-${QELSCAN_PACKAGE_VERSION}-win32")
  set(CPACK_ARCHIVE_VIRTUALSCANNER_FILE_NAME
    "QELScanner-${QELSCAN_PACKAGE_VERSION}-win32-virtual-scanner")
  set(CPACK_ARCHIVE_DEBUG_FILE_NAME "QELScanner-${QELSCAN_PACKAGE_VERSION}-win32-debug")
else()
  set(qelscan_doc share/doc/qelscanner)
  set(qelscan_debian_version "${QELSCAN_PACKAGE_VERSION}-1")
  # The changelog's newest entry is the package's version.
  file(STRINGS "${qelscan_package_scripts}/changelog" qelscan_newest LIMIT_COUNT 1)
  if(NOT qelscan_newest MATCHES "^qelscanner \\(${qelscan_debian_version}\\) ")
    message(FATAL_ERROR "cmake/package/changelog has no entry for ${qelscan_debian_version} "
      "on its first line: ${qelscan_newest}")
  endif()

  # qel_package_jar(<jar> <name> [<link>...]): a jar as Debian's Java
  # policy names it, <name>-<version>.jar, with the unversioned <name>.jar
  # and each <link> pointing at it.
  function(qel_package_jar jar name)
    set(file "${name}-${QELSCAN_PACKAGE_VERSION}.jar")
    install(FILES "${jar}" DESTINATION share/java RENAME "${file}" COMPONENT runtime)
    foreach(link IN ITEMS "${name}.jar" ${ARGN})
      file(CREATE_LINK "${file}" "${qelscan_package_dir}/links/${link}" SYMBOLIC)
      install(FILES "${qelscan_package_dir}/links/${link}" DESTINATION share/java
        COMPONENT runtime)
    endforeach()
  endfunction()
  file(MAKE_DIRECTORY "${qelscan_package_dir}/links")

  install(TARGETS QELScanner MIRBAP32 LIBRARY DESTINATION lib/jni COMPONENT runtime)
  # The scanner library in a host process of its own: the host, which loads
  # the libMIRBAP32.so beside it (a link to /usr/lib/jni's), and the
  # isolated folder, the proxy beside a copy of the bridge, for
  # -Djava.library.path=/usr/lib/qelscanner/isolated.
  install(TARGETS qelscanhost RUNTIME DESTINATION lib/qelscanner COMPONENT runtime)
  file(CREATE_LINK ../jni/libMIRBAP32.so "${qelscan_package_dir}/links/libMIRBAP32.so" SYMBOLIC)
  install(FILES "${qelscan_package_dir}/links/libMIRBAP32.so" DESTINATION lib/qelscanner
    COMPONENT runtime)
  install(TARGETS qelscan_proxy LIBRARY DESTINATION lib/qelscanner/isolated COMPONENT runtime)
  install(FILES "${QELSCAN_OUTPUT_DIR}/isolated/libQELScanner.so"
    DESTINATION lib/qelscanner/isolated COMPONENT runtime)
  qel_package_jar("${qelscan_api_jar}" qelscanapi QelScanApi.jar)
  qel_package_jar("${QELSCAN_DEBIAN_TOOL_JAR}" qelscan)
  qel_package_jar("${qelscan_capture_jar}" qelscan-capture)
  install(DIRECTORY "${qelscan_capture_javadoc}/" DESTINATION ${qelscan_doc}/api
    COMPONENT runtime)
  install(FILES "${qelscan_package_scripts}/doc-base"
    DESTINATION share/doc-base RENAME qelscanner.qelscan-capture-api COMPONENT runtime)
  install(PROGRAMS "${CMAKE_SOURCE_DIR}/java/launcher/qelscan" DESTINATION bin
    COMPONENT runtime)
  install(FILES "${CMAKE_SOURCE_DIR}/README.md" "${qelscan_package_scripts}/copyright"
    DESTINATION ${qelscan_doc} COMPONENT runtime)
  install(FILES "${qelscan_package_scripts}/lintian-overrides"
    DESTINATION share/lintian/overrides RENAME qelscanner COMPONENT runtime)

  # The libraries' Debian dependencies, as dpkg-shlibdeps finds them: the
  # Depends line, and each package on a line of its own for the notices.
  set(qelscan_shlibs "${qelscan_package_dir}/shlibs")
  add_custom_command(OUTPUT "${qelscan_shlibs}.depends" "${qelscan_shlibs}.packages"
    COMMAND ${qelscan_package_scripts}/shlib_depends.sh "${qelscan_shlibs}"
      $<TARGET_FILE:QELScanner> $<TARGET_FILE:MIRBAP32> $<TARGET_FILE:qelscan_proxy>
      $<TARGET_FILE:qelscanhost>
    DEPENDS QELScanner MIRBAP32 qelscan_proxy qelscanhost ${qelscan_package_scripts}/shlib_depends.sh
    COMMENT "Finding the Debian packages the libraries need"
    VERBATIM)
  set(qelscan_notices "${qelscan_package_dir}/runtime/THIRD-PARTY-NOTICES.txt")
  add_custom_command(OUTPUT "${qelscan_notices}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${qelscan_package_dir}/runtime"
    COMMAND sh -c "\"$0\" \"$1\" \"$2\" $(sed 's/^/deb:/' \"$3\")"
      ${qelscan_package_scripts}/third_party_notices.sh "${qelscan_notices}"
      "QELScanner ${QELSCAN_PACKAGE_VERSION}" "${qelscan_shlibs}.packages"
    DEPENDS "${qelscan_shlibs}.packages" ${qelscan_package_scripts}/third_party_notices.sh
      ${qelscan_dpkg_status}
    COMMENT "Writing the third-party notices of the Debian package"
    VERBATIM)
  install(FILES "${CMAKE_SOURCE_DIR}/LICENSE" "${CMAKE_SOURCE_DIR}/NOTICE"
    "${qelscan_notices}" DESTINATION ${qelscan_doc} COMPONENT runtime)

  # The Debian changelog and qelscan's manual page, made by help2man from
  # the tool's own help (a section per command), both compressed as Debian
  # wants them.
  set(qelscan_changelog "${qelscan_package_dir}/changelog.Debian.gz")
  set(qelscan_man "${qelscan_package_dir}/qelscan.1")
  find_program(QELSCAN_HELP2MAN help2man)
  if(NOT QELSCAN_HELP2MAN)
    message(FATAL_ERROR "help2man not found: install it (scripts/install-deps.sh)")
  endif()
  add_custom_command(OUTPUT "${qelscan_changelog}"
    COMMAND sh -c "gzip -9n -c \"$0\" >\"$1\"" "${qelscan_package_scripts}/changelog"
      "${qelscan_changelog}"
    DEPENDS "${qelscan_package_scripts}/changelog"
    VERBATIM)
  add_custom_command(OUTPUT "${qelscan_man}.gz"
    COMMAND ${qelscan_package_scripts}/man_commands.sh "${QELSCAN_OUTPUT_DIR}/qelscan"
      "${qelscan_man}.commands"
    COMMAND ${QELSCAN_HELP2MAN} --no-info --section=1
      "--name=capture bank checks through the QELScanner bridge"
      "--include=${qelscan_man}.commands" "--output=${qelscan_man}"
      "${QELSCAN_OUTPUT_DIR}/qelscan"
    COMMAND gzip -9nf "${qelscan_man}"
    DEPENDS qelscan QelScanApi "${QELSCAN_TOOL_JAR}"
      "${qelscan_package_scripts}/man_commands.sh"
    COMMENT "Writing qelscan's manual page from its help"
    VERBATIM)
  add_custom_target(qelscan_debian_files ALL DEPENDS "${qelscan_changelog}"
    "${qelscan_man}.gz" "${qelscan_notices}" "${qelscan_shlibs}.depends")
  add_dependencies(qelscan_package_files qelscan_debian_files)
  install(FILES "${qelscan_changelog}" DESTINATION ${qelscan_doc} COMPONENT runtime)
  install(FILES "${qelscan_man}.gz" DESTINATION share/man/man1 COMPONENT runtime)

  # qelscanner-dbgsym: the debug files by build id, where gdb looks, and
  # the documents of the package it belongs to.
  install(CODE "set(QELSCAN_DEBUG_FILES
      \"${QELSCAN_OUTPUT_DIR}/.debug/libQELScanner.so.debug\"
      \"${QELSCAN_OUTPUT_DIR}/.debug/libMIRBAP32.so.debug\"
      \"${QELSCAN_OUTPUT_DIR}/isolated/.debug/libMIRBAP32.so.debug\"
      \"${QELSCAN_OUTPUT_DIR}/.debug/qelscanhost.debug\")
    include(\"${qelscan_package_scripts}/InstallDebugFiles.cmake\")"
    COMPONENT dbgsym)
  file(CREATE_LINK qelscanner "${qelscan_package_dir}/links/qelscanner-dbgsym" SYMBOLIC)
  install(FILES "${qelscan_package_dir}/links/qelscanner-dbgsym" DESTINATION share/doc
    COMPONENT dbgsym)

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL runtime dbgsym)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  string(REGEX REPLACE "^.*-" "" CPACK_DEBIAN_PACKAGE_RELEASE "${qelscan_debian_version}")
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME qelscanner)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION java)
  # Each description starts with its summary line (CPack would put the
  # same summary before all, were CPACK_PACKAGE_DESCRIPTION_SUMMARY set).
  set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
"Java bridge to a bank-check scanner library, with a virtual scanner
QELScanner connects Java applications to a bank-check scanner: the class
QelScan.QelScanApi (QelScanApi.jar) calls the scanner library through the
JNI bridge libQELScanner.so, which can trace every call in two log files.
The capture library qelscan-capture.jar, documented in
/usr/share/doc/qelscanner/api, offers the same in Java's idioms.
.
A virtual scanner, libMIRBAP32.so, stands in for the maker's library and
scans generated checks; the qelscan command-line tool captures, endorses
and configures from a shell. A proxy scanner library in
/usr/lib/qelscanner/isolated runs the scanner library in a host process
of its own, whose crash no longer ends the Java application.")
  set(CPACK_DEBIAN_DBGSYM_PACKAGE_NAME qelscanner-dbgsym)
  set(CPACK_DEBIAN_DBGSYM_PACKAGE_SECTION debug)
  set(CPACK_DEBIAN_DBGSYM_PACKAGE_DEPENDS "qelscanner (= ${qelscan_debian_version})")
  set(CPACK_DEBIAN_DBGSYM_DESCRIPTION "debug symbols for qelscanner
The debug information of libQELScanner.so, libMIRBAP32.so (the virtual
scanner and the proxy) and qelscanhost, found by their build ids, to read
a crash's stack with gdb.")
  # The libraries' own dependencies are not CPack's dpkg-shlibdeps step:
  # with it CPack calls ldconfig for /usr/lib/jni, which is no folder of
  # the linker's. cmake/package/CPackProject.cmake adds them when packing.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
  set(QELSCAN_DEBIAN_DEPENDS "default-jre-headless | java8-runtime-headless, libpicocli-java")
  set(QELSCAN_SHLIBS_DEPENDS "${qelscan_shlibs}.depends")
  configure_file("${qelscan_package_scripts}/CPackProject.cmake.in"
    "${qelscan_package_dir}/CPackProject.cmake" @ONLY)
  set(CPACK_PROJECT_CONFIG_FILE "${qelscan_package_dir}/CPackProject.cmake")
endif()

include(CPack)
