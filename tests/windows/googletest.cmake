# Debian ships googletest for the host only; the Windows tests build it
# from the sources of the googletest package.
set(QELSCAN_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH
    "Sources of googletest, built for the Windows tests")
if(NOT EXISTS "${QELSCAN_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt")
  message(FATAL_ERROR "No googletest sources in ${QELSCAN_GOOGLETEST_SOURCE_DIR} (Debian package googletest)")
endif()
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_SHARED_LIBS OFF)
add_subdirectory("${QELSCAN_GOOGLETEST_SOURCE_DIR}"
  "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
