# What we ship is built as Debian builds its own packages and stripped in
# the build itself, so that every check after the link sees the shipped
# binary; its debug information stays beside it in .debug/<name>.debug,
# where gdb and addr2line look, tied to it by a debug link (and, on Linux,
# the build id both carry).

# Debian's hardening flags, as dpkg-buildflags gives them with every feature
# on: fortified functions, the stack protector, format checks and, on Linux,
# -z relro -z now. Debian builds in the source folder and maps it to "."
# (file names relative to the compiler's folder, the build folder here):
# ours is mapped to one fixed folder, so that the debug information names
# each source as /usr/src/qelscanner/<path in the repository> wherever it
# was built.
find_program(QELSCAN_DPKG_BUILDFLAGS dpkg-buildflags REQUIRED NO_CMAKE_FIND_ROOT_PATH)
foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
      ${QELSCAN_DPKG_BUILDFLAGS} --get ${kind}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(qelscan_${kind} UNIX_COMMAND "${flags}")
endforeach()
list(TRANSFORM qelscan_CXXFLAGS REPLACE "^-ffile-prefix-map=.*$"
  "-ffile-prefix-map=${CMAKE_SOURCE_DIR}=/usr/src/qelscanner")
if(WIN32)
  # A DLL has no ELF relocation read-only segment: -z relro -z now do not
  # apply (address randomisation and no-execute are the PE linker's
  # defaults). The stack protector and the fortified functions need
  # libssp, which GCC links when it sees the flag at the link too.
  list(FILTER qelscan_LDFLAGS EXCLUDE REGEX "^-Wl,-z,")
  list(APPEND qelscan_LDFLAGS -Wl,--dynamicbase -Wl,--nxcompat)
  set(protector ${qelscan_CXXFLAGS})
  list(FILTER protector INCLUDE REGEX "^-fstack-protector")
  list(APPEND qelscan_LDFLAGS ${protector})
endif()
set(QELSCAN_HARDENING_COMPILE_OPTIONS ${qelscan_CPPFLAGS} ${qelscan_CXXFLAGS})
set(QELSCAN_HARDENING_LINK_OPTIONS ${qelscan_LDFLAGS})
message(STATUS "Hardening: ${QELSCAN_HARDENING_COMPILE_OPTIONS} ${QELSCAN_HARDENING_LINK_OPTIONS}")

# qel_harden(<target>...): compiles and links <target>s with those flags.
function(qel_harden)
  foreach(target IN LISTS ARGN)
    target_compile_options(${target} PRIVATE ${QELSCAN_HARDENING_COMPILE_OPTIONS})
    get_target_property(type ${target} TYPE)
    if(NOT type STREQUAL "OBJECT_LIBRARY")
      target_link_options(${target} PRIVATE ${QELSCAN_HARDENING_LINK_OPTIONS})
    endif()
  endforeach()
endfunction()

# qel_split_debug(<target>): after each link, moves the debug information
# of <target> into .debug/<file>.debug beside it and strips the binary.
# CMake finds the compiler's own objcopy and strip (the mingw-w64 ones when
# cross-building).
function(qel_split_debug target)
  set(debug_dir "$<TARGET_FILE_DIR:${target}>/.debug")
  set(debug_file "${debug_dir}/$<TARGET_FILE_NAME:${target}>.debug")
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory "${debug_dir}"
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> "${debug_file}"
    COMMAND ${CMAKE_STRIP} --strip-debug --strip-unneeded --remove-section=.comment
      $<TARGET_FILE:${target}>
    COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=${debug_file} $<TARGET_FILE:${target}>
    COMMENT "Stripping ${target}, its debug information kept in .debug/"
    VERBATIM)
endfunction()
