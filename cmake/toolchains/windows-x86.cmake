# The simulator's classic build: 32-bit Windows DLLs, Microsoft C++ ABI, clang and lld-link.
#   cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/windows-x86.cmake
set(VEMO_WINDOWS_ARCH x86)
include(${CMAKE_CURRENT_LIST_DIR}/WindowsMsvc.cmake)
