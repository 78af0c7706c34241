# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (posix thread
# model, which Qt's threads need). Used for the program's Windows build
# (scripts/build windows) and for the Windows builds of its dependencies
# (scripts/windows-deps).
#
# ZARAROD_WINDOWS_PREFIX (a cache variable, first taken from the environment)
# names the folder the Windows libraries are installed in; headers, libraries
# and CMake packages are found there and in the mingw sysroot, programs (moc,
# rcc, uic, pkg-config) on the host.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZARAROD_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZARAROD_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZARAROD_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${ZARAROD_MINGW}-windres)

if(NOT DEFINED ZARAROD_WINDOWS_PREFIX AND DEFINED ENV{ZARAROD_WINDOWS_PREFIX})
  set(ZARAROD_WINDOWS_PREFIX "$ENV{ZARAROD_WINDOWS_PREFIX}" CACHE PATH
      "Folder of the Windows builds of the libraries")
endif()
# CMake's own test projects (try_compile) see the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZARAROD_WINDOWS_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${ZARAROD_MINGW})
if(ZARAROD_WINDOWS_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${ZARAROD_WINDOWS_PREFIX})
  set(ENV{PKG_CONFIG_LIBDIR} ${ZARAROD_WINDOWS_PREFIX}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Qt's tools run on the host: Debian's Qt of the same version.
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
