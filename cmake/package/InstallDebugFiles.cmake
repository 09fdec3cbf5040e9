# Installs each of QELSCAN_DEBUG_FILES as lib/debug/.build-id/xx/yyyy.debug
# by the build id it carries (file(INSTALL) adds DESTDIR), where gdb finds
# the debug information of a
# stripped library with that id.
foreach(debug_file IN LISTS QELSCAN_DEBUG_FILES)
  execute_process(COMMAND readelf -n "${debug_file}" OUTPUT_VARIABLE notes
    COMMAND_ERROR_IS_FATAL ANY)
  if(NOT notes MATCHES "Build ID: ([0-9a-f][0-9a-f])([0-9a-f]+)")
    message(FATAL_ERROR "${debug_file} has no build id")
  endif()
  file(INSTALL "${debug_file}"
    DESTINATION "${CMAKE_INSTALL_PREFIX}/lib/debug/.build-id/${CMAKE_MATCH_1}"
    RENAME "${CMAKE_MATCH_2}.debug"
    PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endforeach()
