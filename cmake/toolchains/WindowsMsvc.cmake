# Shared part of the Windows toolchain files: clang for the Microsoft ABI, lld-link, the C
# headers of mingw-w64 and the header-only part of its C++ library, and no runtime library
# of any compiler: the DLL imports the C runtime DLLs of Windows itself and carries its own
# startup pieces (win/CrtStartup.cpp). Every tool is a Debian package (see docs/windows.md).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 10.0)
if(VEMO_WINDOWS_ARCH STREQUAL "x86")
  set(CMAKE_SYSTEM_PROCESSOR x86)
  set(VEMO_WINDOWS_TRIPLE i686-pc-windows-msvc)
  set(VEMO_MINGW_TRIPLE i686-w64-mingw32)
else()
  set(CMAKE_SYSTEM_PROCESSOR AMD64)
  set(VEMO_WINDOWS_TRIPLE x86_64-pc-windows-msvc)
  set(VEMO_MINGW_TRIPLE x86_64-w64-mingw32)
endif()
set(VEMO_WINDOWS_DLL ON)
# Windows builds default to Debug, which would ask for the debug C runtime: release it is.
set(CMAKE_BUILD_TYPE Release CACHE STRING "Build type")

set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET ${VEMO_WINDOWS_TRIPLE})
set(CMAKE_LINKER lld-link)
# Nothing links without the startup pieces and import libraries the project makes itself.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_CXX_STANDARD_LIBRARIES "" CACHE STRING "" FORCE)
set(CMAKE_FIND_ROOT_PATH /usr/${VEMO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
# Passed on to try_compile projects, which see the toolchain file but not the cache.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VEMO_WINDOWS_ARCH)
