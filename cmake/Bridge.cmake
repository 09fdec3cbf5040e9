# The bridge's sources, compiled once per flavour: the product library, and
# the unit-test builds (with their own log folder and, optionally, the
# sanitizers).
set(QELSCAN_BRIDGE_SOURCES
  ${CMAKE_SOURCE_DIR}/bridge/log.cpp
  ${CMAKE_SOURCE_DIR}/bridge/marshal.cpp
  ${CMAKE_SOURCE_DIR}/bridge/file_name.cpp
  ${CMAKE_SOURCE_DIR}/session/session.cpp
  ${CMAKE_SOURCE_DIR}/session/parameters.cpp
  ${CMAKE_SOURCE_DIR}/session/device.cpp
  ${CMAKE_SOURCE_DIR}/scanning/scan_files.cpp
  ${CMAKE_SOURCE_DIR}/scanning/result_block.cpp
  ${CMAKE_SOURCE_DIR}/scanning/scan_to_file.cpp
  ${CMAKE_SOURCE_DIR}/scanning/scan_memory.cpp
  ${CMAKE_SOURCE_DIR}/scanning/scan_to_memory.cpp
  ${CMAKE_SOURCE_DIR}/scanning/scan_single.cpp
  ${CMAKE_SOURCE_DIR}/scanning/special_document.cpp
  ${CMAKE_SOURCE_DIR}/scanning/ocr_micr.cpp
  ${CMAKE_SOURCE_DIR}/printing/print_text.cpp
  ${CMAKE_SOURCE_DIR}/printing/batch_print.cpp
  ${CMAKE_SOURCE_DIR}/printing/virtual_endorsement.cpp
  ${CMAKE_SOURCE_DIR}/imaging/compress_image.cpp
  ${CMAKE_SOURCE_DIR}/imaging/uv_image.cpp
  ${CMAKE_SOURCE_DIR}/imaging/file_operations.cpp
)

# qel_add_bridge_objects(<name> LOG_DIR <dir> [COMPILE_OPTIONS ...])
function(qel_add_bridge_objects name)
  cmake_parse_arguments(ARG "" "LOG_DIR" "COMPILE_OPTIONS" ${ARGN})
  add_library(${name} OBJECT ${QELSCAN_BRIDGE_SOURCES})
  target_include_directories(${name} PUBLIC
    ${CMAKE_SOURCE_DIR}
    ${QELSCAN_JNI_HEADER_DIR}
    ${JNI_INCLUDE_DIRS})
  # The folder is given in the target's own notation ("C:\Temp" for
  # Windows); a host-side conversion would mangle the drive letter when
  # cross-building.
  string(REPLACE "\\" "\\\\" escaped_dir "${ARG_LOG_DIR}")
  target_compile_definitions(${name} PRIVATE
    QELSCAN_LOG_DIR="${escaped_dir}")
  # The bridge never throws: nothing it calls can, and no C++ exception may
  # reach the virtual machine.
  target_compile_options(${name} PRIVATE ${QELSCAN_WARNINGS}
    -fno-exceptions -fno-rtti -fvisibility=hidden ${ARG_COMPILE_OPTIONS})
  add_dependencies(${name} qelscan_jni_header)
endfunction()
