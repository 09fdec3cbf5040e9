# The bridge's sources, compiled once per flavour: the product library, and
# the unit-test builds (with their own log folder and, optionally, the
# sanitizers). Paths are taken from this file's place, so that a project of
# its own (tests/fuzz) can include it as well.
get_filename_component(QELSCAN_REPO_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(QELSCAN_BRIDGE_SOURCES
  ${QELSCAN_REPO_ROOT}/bridge/log.cpp
  ${QELSCAN_REPO_ROOT}/bridge/marshal.cpp
  ${QELSCAN_REPO_ROOT}/bridge/file_name.cpp
  ${QELSCAN_REPO_ROOT}/bridge/library_text.cpp
  ${QELSCAN_REPO_ROOT}/session/session.cpp
  ${QELSCAN_REPO_ROOT}/session/parameters.cpp
  ${QELSCAN_REPO_ROOT}/session/device.cpp
  ${QELSCAN_REPO_ROOT}/scanning/scan_files.cpp
  ${QELSCAN_REPO_ROOT}/scanning/result_block.cpp
  ${QELSCAN_REPO_ROOT}/scanning/scan_to_file.cpp
  ${QELSCAN_REPO_ROOT}/scanning/scan_memory.cpp
  ${QELSCAN_REPO_ROOT}/scanning/scan_to_memory.cpp
  ${QELSCAN_REPO_ROOT}/scanning/scan_single.cpp
  ${QELSCAN_REPO_ROOT}/scanning/document_registration.cpp
  ${QELSCAN_REPO_ROOT}/scanning/ocr_micr.cpp
  ${QELSCAN_REPO_ROOT}/printing/print_text.cpp
  ${QELSCAN_REPO_ROOT}/printing/batch_print.cpp
  ${QELSCAN_REPO_ROOT}/printing/virtual_endorsement.cpp
  ${QELSCAN_REPO_ROOT}/imaging/compress_image.cpp
  ${QELSCAN_REPO_ROOT}/imaging/uv_image.cpp
  ${QELSCAN_REPO_ROOT}/imaging/file_operations.cpp
)

# qel_add_bridge_objects(<name> LOG_DIR <dir> [COMPILE_OPTIONS ...])
function(qel_add_bridge_objects name)
  cmake_parse_arguments(ARG "" "LOG_DIR" "COMPILE_OPTIONS" ${ARGN})
  add_library(${name} OBJECT ${QELSCAN_BRIDGE_SOURCES})
  target_include_directories(${name} PUBLIC
    ${QELSCAN_REPO_ROOT}
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
