# The Windows builds, cross-built with mingw-w64:
#  - 32-bit (toolchain-mingw32.cmake): QELScanner.dll with the decorated JNI
#    exports, bound to MIRBAP32.dll by ordinal only, the virtual scanner as
#    a stand-in MIRBAP32.dll, and the host qelscanhost32.exe;
#  - 64-bit (toolchain-mingw64.cmake): QELScanner.dll with the plain x64 JNI
#    exports, bound by ordinal to the proxy scanner library MIRBAP32.dll
#    beside it, which runs the maker's 32-bit DLL in x86\qelscanhost32.exe,
#    taken from the 32-bit build (QELSCAN_WIN32_OUT).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(QELSCAN_WIN64 ON)
elseif(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(QELSCAN_WIN64 OFF)
else()
  message(FATAL_ERROR "The Windows build is 32-bit or 64-bit: use cmake/toolchain-mingw32.cmake "
    "or cmake/toolchain-mingw64.cmake")
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
# The 64-bit build has no stand-in, so no need of them.
set(QELSCAN_WIN32_DEPS "${CMAKE_SOURCE_DIR}/build/win32-deps/prefix" CACHE PATH
  "Prefix of the cross-built libtiff and libjpeg (scripts/build-win32-deps.sh)")
if(NOT QELSCAN_WIN64 AND (NOT EXISTS "${QELSCAN_WIN32_DEPS}/lib/libtiff.a"
    OR NOT EXISTS "${QELSCAN_WIN32_DEPS}/lib/libjpeg.a"))
  message(FATAL_ERROR "No cross-built libtiff and libjpeg in ${QELSCAN_WIN32_DEPS}: "
    "run scripts/build-win32-deps.sh build/win32-deps first, or pass "
    "-DQELSCAN_WIN32_DEPS=<its folder>/prefix")
endif()
list(APPEND CMAKE_FIND_ROOT_PATH "${QELSCAN_WIN32_DEPS}")
# The 64-bit install's x86 folder: the 32-bit build's host, and for the
# tests its stand-in.
set(QELSCAN_WIN32_OUT "${CMAKE_SOURCE_DIR}/build/win32/out" CACHE PATH
  "The 32-bit build's out folder, for the 64-bit build's x86 folder")
if(QELSCAN_WIN64 AND NOT EXISTS "${QELSCAN_WIN32_OUT}/qelscanhost32.exe")
  message(FATAL_ERROR "No qelscanhost32.exe in ${QELSCAN_WIN32_OUT}: build the 32-bit Windows "
    "build first, or pass -DQELSCAN_WIN32_OUT=<its out folder>")
endif()

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
set(QELSCAN_PROXY_DEF "${QELSCAN_WIN32_BINARY_DIR}/MIRBAP32-proxy.def")
set(qelscan_def_options "")
set(qelscan_dlltool_machine i386)
if(QELSCAN_WIN64)
  set(qelscan_def_options -DQEL_DEF_X64)
  set(qelscan_dlltool_machine i386:x86-64)
endif()
add_custom_command(OUTPUT "${QELSCAN_MIRBAP32_DEF}" "${QELSCAN_PROXY_DEF}"
  COMMAND "${CMAKE_C_COMPILER}" -E -P -x c -I "${CMAKE_SOURCE_DIR}" ${qelscan_def_options}
    "${QELSCAN_WIN32_DIR}/mirbap32.def.in" -o "${QELSCAN_MIRBAP32_DEF}"
  COMMAND "${CMAKE_C_COMPILER}" -E -P -x c -I "${CMAKE_SOURCE_DIR}" ${qelscan_def_options}
    -DQEL_DEF_PROXY "${QELSCAN_WIN32_DIR}/mirbap32.def.in" -o "${QELSCAN_PROXY_DEF}"
  DEPENDS "${QELSCAN_WIN32_DIR}/mirbap32.def.in"
    "${CMAKE_SOURCE_DIR}/scannerlib/entries.h"
  COMMENT "Generating MIRBAP32.def")

set(mirbap32_import_lib "${CMAKE_ARCHIVE_OUTPUT_DIRECTORY}/libMIRBAP32-ordinals.a")
add_custom_command(OUTPUT "${mirbap32_import_lib}"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_ARCHIVE_OUTPUT_DIRECTORY}"
  COMMAND "${QELSCAN_DLLTOOL}" -m ${qelscan_dlltool_machine} -d "${QELSCAN_MIRBAP32_DEF}"
    -l "${mirbap32_import_lib}"
  DEPENDS "${QELSCAN_MIRBAP32_DEF}"
  COMMENT "Making the ordinal import library of MIRBAP32.dll")
add_custom_target(mirbap32_import_lib
  DEPENDS "${mirbap32_import_lib}" "${QELSCAN_MIRBAP32_DEF}")

# qel_export_mirbap32_entries(<target> [<def>]): <target> becomes a
# MIRBAP32.dll exporting every entry by the ordinals of entries.h (and
# whatever else <def> exports).
function(qel_export_mirbap32_entries target)
  set(def "${QELSCAN_MIRBAP32_DEF}")
  if(ARGC GREATER 1)
    set(def "${ARGV1}")
  endif()
  target_sources(${target} PRIVATE "${def}")
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
    -DX64=${QELSCAN_WIN64} -P "${QELSCAN_WIN32_DIR}/ExportDef.cmake"
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
  # The 64-bit tests run a 64-bit program that starts the 32-bit host:
  # both kinds must run, in a prefix of WINEARCH=win64 (which a 32-bit
  # prefix refuses).
  execute_process(COMMAND "${CMAKE_SOURCE_DIR}/tests/windows/can-run-x86.sh"
    RESULT_VARIABLE cannot_run OUTPUT_VARIABLE wine_skip_reason
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(wine_runner "${CMAKE_SOURCE_DIR}/tests/windows/wine-run.sh" "${CMAKE_BINARY_DIR}/wineprefix")
  if(QELSCAN_WIN64 AND NOT cannot_run)
    execute_process(COMMAND "${CMAKE_SOURCE_DIR}/tests/windows/can-run-x86.sh"
      /usr/lib/wine/wine64 "64-bit"
      RESULT_VARIABLE cannot_run OUTPUT_VARIABLE wine_skip_reason
      OUTPUT_STRIP_TRAILING_WHITESPACE)
    set(wine_runner env WINEARCH=win64 QELSCAN_WINE=/usr/lib/wine/wine64 ${wine_runner})
  endif()
  if(cannot_run)
    set(CMAKE_CROSSCOMPILING_EMULATOR
      "${CMAKE_SOURCE_DIR}/tests/windows/wine-skip.sh" "${wine_skip_reason}")
    set(wine_verdict "skipped, ${wine_skip_reason}")
  else()
    set(CMAKE_CROSSCOMPILING_EMULATOR ${wine_runner})
    set(wine_verdict "run")
  endif()
  # scripts/test.sh repeats the verdict at the end of its run.
  set(QELSCAN_WINE_VERDICT "${wine_verdict}" CACHE INTERNAL "")
  message(STATUS "Windows tests under Wine: ${wine_verdict}")
  enable_testing()
endif()

add_subdirectory(${CMAKE_SOURCE_DIR}/wire ${CMAKE_BINARY_DIR}/wire)
if(NOT QELSCAN_WIN64)
  # --- the virtual scanner as MIRBAP32.dll, beside the bridge -------------
  # Its own tests are built for Linux only; here the DLL is tested through
  # the bridge (tests/windows).
  set(qelscan_tests ${QELSCAN_TESTS})
  set(QELSCAN_TESTS OFF)
  add_subdirectory(virtualscanner)
  set(QELSCAN_TESTS ${qelscan_tests})
  qel_export_mirbap32_entries(MIRBAP32)
  # The host process for the 64-bit install's x86 folder, qelscanhost32.exe,
  # beside the stand-in here (not in the 32-bit zip).
  add_subdirectory(${CMAKE_SOURCE_DIR}/host ${CMAKE_BINARY_DIR}/host)
else()
  # --- the proxy as MIRBAP32.dll, and the x86 folder with the host --------
  add_library(qelscan_proxy SHARED ${CMAKE_SOURCE_DIR}/proxy/entries.cpp
    ${CMAKE_SOURCE_DIR}/proxy/forward.cpp ${CMAKE_SOURCE_DIR}/proxy/host_process_win32.cpp
    ${CMAKE_SOURCE_DIR}/proxy/threads_win32.cpp)
  target_compile_options(qelscan_proxy PRIVATE ${QELSCAN_WARNINGS})
  target_link_libraries(qelscan_proxy PRIVATE qelwire)
  qel_export_mirbap32_entries(qelscan_proxy "${QELSCAN_PROXY_DEF}")
  qel_harden(qelscan_proxy)
  qel_split_debug(qelscan_proxy)
  set(qelscan_x86 "${QELSCAN_OUTPUT_DIR}/x86")
  add_custom_command(OUTPUT "${qelscan_x86}/qelscanhost32.exe" "${qelscan_x86}/MIRBAP32.dll"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${qelscan_x86}"
    COMMAND ${CMAKE_COMMAND} -E copy "${QELSCAN_WIN32_OUT}/qelscanhost32.exe"
      "${QELSCAN_WIN32_OUT}/MIRBAP32.dll" "${qelscan_x86}/"
    DEPENDS "${QELSCAN_WIN32_OUT}/qelscanhost32.exe" "${QELSCAN_WIN32_OUT}/MIRBAP32.dll"
    COMMENT "Copying the 32-bit host, and the stand-in for the tests, into x86")
  add_custom_target(qelscan_x86_folder ALL
    DEPENDS "${qelscan_x86}/qelscanhost32.exe" "${qelscan_x86}/MIRBAP32.dll")
endif()
qel_harden(qelbridge_objects QELScanner)
qel_split_debug(QELScanner)

if(QELSCAN_TESTS)
  add_subdirectory(tests)
endif()

include(${CMAKE_SOURCE_DIR}/cmake/Packaging.cmake)
