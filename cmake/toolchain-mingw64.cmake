# Cross build of the 64-bit Windows DLLs (the bridge and the proxy scanner
# library) with Debian's mingw-w64:
#   cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(QELSCAN_MINGW_TRIPLE x86_64-w64-mingw32)
# The posix thread model: googletest needs std::mutex, which the win32 model
# lacks. Its winpthread is linked statically like the other runtimes.
find_program(CMAKE_C_COMPILER NAMES ${QELSCAN_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${QELSCAN_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${QELSCAN_MINGW_TRIPLE}-windres REQUIRED)
find_program(QELSCAN_DLLTOOL NAMES ${QELSCAN_MINGW_TRIPLE}-dlltool REQUIRED)
find_program(QELSCAN_OBJDUMP NAMES ${QELSCAN_MINGW_TRIPLE}-objdump REQUIRED)
find_program(QELSCAN_NM NAMES ${QELSCAN_MINGW_TRIPLE}-nm REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${QELSCAN_MINGW_TRIPLE})
# Build tools (javac, wine) come from the host; headers and libraries only
# from the Windows sysroot.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
