# The simulator's 64-bit build: 64-bit Windows DLLs, Microsoft C++ ABI, clang and lld-link.
#   cmake -S . -B build-win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/windows-x64.cmake
set(VEMO_WINDOWS_ARCH x64)
include(${CMAKE_CURRENT_LIST_DIR}/WindowsMsvc.cmake)
