# The 32-bit Windows build, cross-built with mingw-w64 (toolchain-mingw32.cmake):
# QELScanner.dll with the decorated JNI exports, bound to MIRBAP32.dll by
# ordinal only, plus the virtual scanner as a stand-in MIRBAP32.dll.
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
  message(FATAL_ERROR "The Windows build is 32-bit only: use cmake/toolchain-mingw32.cmake")
endif()
enable_language(RC)

set(QELSCAN_WIN32_DIR "${CMAKE_SOURCE_DIR}/cmake/win32")
set(QELSCAN_WIN32_BINARY_DIR "${CMAKE_BINARY_DIR}/win32")
file(MAKE_DIRECTORY "${QELSCAN_WIN32_BINARY_DIR}")

# Both runtimes go into each module, so that it needs only system DLLs and
# MIRBAP32.dll. Without stdcall fixup an argument size that differs between
# a declaration and the definition of an entry fails the link instead of
# being bound silently.
set(QELSCAN_WIN32_LINK_OPTIONS
  -static -static-libgcc -static-libstdc++ -Wl,--disable-stdcall-fixup)

# libtiff and libjpeg: Debian has none for Windows, so
# scripts/build-win32-deps.sh cross-builds them, static, from Debian's
# sources. The search re-roots every path under CMAKE_FIND_ROOT_PATH (ONLY
# mode), so their prefix joins the sysroot there, not CMAKE_PREFIX_PATH.
set(QELSCAN_WIN32_DEPS "${CMAKE_SOURCE_DIR}/build/win32-deps/prefix" CACHE PATH
  "Prefix of the cross-built libtiff and libjpeg (scripts/build-win32-deps.sh)")
if(NOT EXISTS "${QELSCAN_WIN32_DEPS}/lib/libtiff.a"
    OR NOT EXISTS "${QELSCAN_WIN32_DEPS}/lib/libjpeg.a")
  message(FATAL_ERROR "No cross-built libtiff and libjpeg in ${QELSCAN_WIN32_DEPS}: "
    "run scripts/build-win32-deps.sh build/win32-deps first, or pass "
    "-DQELSCAN_WIN32_DEPS=<its folder>/prefix")
endif()
list(APPEND CMAKE_FIND_ROOT_PATH "${QELSCAN_WIN32_DEPS}")

# --- JNI: the host JDK's jni.h with our own Windows jni_md.h in front ----
get_filename_component(javac_path "${Java_JAVAC_EXECUTABLE}" REALPATH)
get_filename_component(jdk_home "${javac_path}" DIRECTORY)
get_filename_component(jdk_home "${jdk_home}" DIRECTORY)
if(NOT EXISTS "${jdk_home}/include/jni.h")
  message(FATAL_ERROR "No jni.h in the JDK of ${Java_JAVAC_EXECUTABLE}")
endif()
set(JNI_INCLUDE_DIRS "${QELSCAN_WIN32_DIR}" "${jdk_home}/include")

# The Java class's JNI header, its jar and the qelscan tool, made by the
# host's javac as in the native build; the jars carry this build's log
# folder (C:\Temp) for the tool's trace command.
include(UseJava)
add_subdirectory(${CMAKE_SOURCE_DIR}/java ${CMAKE_BINARY_DIR}/java)

# --- MIRBAP32.dll: the entries by ordinal, from scannerlib/entries.h -----
set(QELSCAN_MIRBAP32_DEF "${QELSCAN_WIN32_BINARY_DIR}/MIRBAP32.def")
add_custom_command(OUTPUT "${QELSCAN_MIRBAP32_DEF}"
  COMMAND "${CMAKE_C_COMPILER}" -E -P -x c -I "${CMAKE_SOURCE_DIR}"
    "${QELSCAN_WIN32_DIR}/mirbap32.def.in" -o "${QELSCAN_MIRBAP32_DEF}"
  DEPENDS "${QELSCAN_WIN32_DIR}/mirbap32.def.in"
    "${CMAKE_SOURCE_DIR}/scannerlib/entries.h"
  COMMENT "Generating MIRBAP32.def")

set(mirbap32_import_lib "${CMAKE_ARCHIVE_OUTPUT_DIRECTORY}/libMIRBAP32-ordinals.a")
add_custom_command(OUTPUT "${mirbap32_import_lib}"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_ARCHIVE_OUTPUT_DIRECTORY}"
  COMMAND "${QELSCAN_DLLTOOL}" -m i386 -d "${QELSCAN_MIRBAP32_DEF}"
    -l "${mirbap32_import_lib}"
  DEPENDS "${QELSCAN_MIRBAP32_DEF}"
  COMMENT "Making the ordinal import library of MIRBAP32.dll")
add_custom_target(mirbap32_import_lib
  DEPENDS "${mirbap32_import_lib}" "${QELSCAN_MIRBAP32_DEF}")

# qel_export_mirbap32_entries(<target>): <target> becomes a MIRBAP32.dll
# exporting every entry by the ordinals of entries.h.
function(qel_export_mirbap32_entries target)
  target_sources(${target} PRIVATE "${QELSCAN_MIRBAP32_DEF}")
  target_compile_definitions(${target} PRIVATE MIRB_BUILDING_LIBRARY)
  target_link_options(${target} PRIVATE ${QELSCAN_WIN32_LINK_OPTIONS})
  set_target_properties(${target} PROPERTIES
    PREFIX "" OUTPUT_NAME MIRBAP32 IMPORT_PREFIX "lib"
    IMPORT_SUFFIX ".dll.a")
  add_dependencies(${target} mirbap32_import_lib)
endfunction()

# --- QELScanner.dll ------------------------------------------------------
include(${CMAKE_SOURCE_DIR}/cmake/Bridge.cmake)
qel_add_bridge_objects(qelbridge_objects LOG_DIR "${QELSCAN_LOG_DIR}")

set(qelscan_object_list "${QELSCAN_WIN32_BINARY_DIR}/bridge_objects.txt")
file(GENERATE OUTPUT "${qelscan_object_list}"
  CONTENT "$<JOIN:$<TARGET_OBJECTS:qelbridge_objects>,\n>\n")
set(QELSCAN_EXPORT_DEF "${QELSCAN_WIN32_BINARY_DIR}/QELScanner.def")
add_custom_command(OUTPUT "${QELSCAN_EXPORT_DEF}"
  COMMAND "${CMAKE_COMMAND}" -DNM=${QELSCAN_NM}
    -DOBJECT_LIST=${qelscan_object_list} -DOUTPUT=${QELSCAN_EXPORT_DEF}
    -P "${QELSCAN_WIN32_DIR}/ExportDef.cmake"
  DEPENDS $<TARGET_OBJECTS:qelbridge_objects> "${qelscan_object_list}"
    "${QELSCAN_WIN32_DIR}/ExportDef.cmake"
  COMMENT "Generating QELScanner.def from the bridge's JNI methods")

string(REPLACE "." "," QELSCAN_VERSION_COMMAS "${PROJECT_VERSION}")
configure_file("${QELSCAN_WIN32_DIR}/QELScanner.rc.in"
  "${QELSCAN_WIN32_BINARY_DIR}/QELScanner.rc" @ONLY)

add_library(QELScanner SHARED $<TARGET_OBJECTS:qelbridge_objects>
  "${QELSCAN_EXPORT_DEF}" "${QELSCAN_WIN32_BINARY_DIR}/QELScanner.rc")
target_link_libraries(QELScanner PRIVATE "${mirbap32_import_lib}")
# Only the module-definition file exports; nothing is exported on its own.
target_link_options(QELScanner PRIVATE ${QELSCAN_WIN32_LINK_OPTIONS}
  -Wl,--exclude-all-symbols)
set_target_properties(QELScanner PROPERTIES
  PREFIX "" IMPORT_PREFIX "lib" IMPORT_SUFFIX ".dll.a"
  LINK_DEPENDS "${mirbap32_import_lib}")
add_dependencies(QELScanner mirbap32_import_lib)

if(QELSCAN_TESTS)
  # Test programs run under Wine, in a prefix of this build tree, where the
  # machine can execute 32-bit x86 code; elsewhere each of them is reported
  # as skipped (QELSCAN_WINE_SKIP_CODE) and every check that runs nothing
  # still runs.
  set(QELSCAN_WINE_SKIP_CODE 77)
  execute_process(COMMAND "${CMAKE_SOURCE_DIR}/tests/windows/can-run-x86.sh"
    RESULT_VARIABLE cannot_run OUTPUT_VARIABLE wine_skip_reason
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(cannot_run)
    set(CMAKE_CROSSCOMPILING_EMULATOR
      "${CMAKE_SOURCE_DIR}/tests/windows/wine-skip.sh" "${wine_skip_reason}")
    set(wine_verdict "skipped, ${wine_skip_reason}")
  else()
    set(CMAKE_CROSSCOMPILING_EMULATOR
      "${CMAKE_SOURCE_DIR}/tests/windows/wine-run.sh" "${CMAKE_BINARY_DIR}/wineprefix")
    set(wine_verdict "run")
  endif()
  # scripts/test.sh repeats the verdict at the end of its run.
  set(QELSCAN_WINE_VERDICT "${wine_verdict}" CACHE INTERNAL "")
  message(STATUS "Windows tests under Wine: ${wine_verdict}")
  enable_testing()
endif()

# --- the virtual scanner as MIRBAP32.dll, beside the bridge ---------------
# Its own tests are built for Linux only; here the DLL is tested through
# the bridge (tests/windows).
set(qelscan_tests ${QELSCAN_TESTS})
set(QELSCAN_TESTS OFF)
add_subdirectory(virtualscanner)
set(QELSCAN_TESTS ${qelscan_tests})
qel_export_mirbap32_entries(MIRBAP32)
qel_harden(qelbridge_objects QELScanner)
qel_split_debug(QELScanner)

# The host process for the 64-bit install's x86 folder: qelscanhost32.exe
# beside the stand-in here (not in the 32-bit zip).
add_subdirectory(${CMAKE_SOURCE_DIR}/wire ${CMAKE_BINARY_DIR}/wire)
add_subdirectory(${CMAKE_SOURCE_DIR}/host ${CMAKE_BINARY_DIR}/host)

if(QELSCAN_TESTS)
  add_subdirectory(tests)
endif()

include(${CMAKE_SOURCE_DIR}/cmake/Packaging.cmake)
