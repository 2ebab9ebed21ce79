# The add-on as Windows DLLs, built on this machine (toolchain files in cmake/toolchains/):
# compile flags that make the mingw-w64 headers work in Microsoft mode, the import
# libraries the modules link, and vemo_windows_module() for vemo_add_module().
#
# The C headers are mingw-w64's; the C++ headers are its libstdc++, used for what they
# declare and inline only: nothing may need libstdc++'s compiled code, which is not linked.
# The DLL imports only from the simulator's executable, the C runtime DLLs of Windows
# (vcruntime140.dll and the api-ms-win-crt-* sets) and kernel32.dll.

find_program(VEMO_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 REQUIRED)
find_program(VEMO_JQ NAMES jq REQUIRED)
find_program(VEMO_MINGW_GXX NAMES ${VEMO_MINGW_TRIPLE}-g++ REQUIRED)

# The folders the mingw compiler searches for C++ headers, less its own compiler headers.
execute_process(COMMAND ${VEMO_MINGW_GXX} -E -v -x c++ /dev/null
                ERROR_VARIABLE search OUTPUT_QUIET RESULT_VARIABLE result)
string(REGEX MATCHALL "\n *[^\n]*/include/c\\+\\+[^\n]*" cxx_dirs "${search}")
if(NOT result EQUAL 0 OR NOT cxx_dirs)
  message(FATAL_ERROR "${VEMO_MINGW_GXX} names no C++ header folder: is g++-mingw-w64 installed?")
endif()
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-resource-dir
                OUTPUT_VARIABLE clang_resource OUTPUT_STRIP_TRAILING_WHITESPACE)

# libstdc++'s os_defines.h asks for mingw's own printf family, which the C runtime DLLs do
# not have; a copy that leaves the Microsoft one in place is searched first.
set(shadow ${CMAKE_BINARY_DIR}/win-include)
set(os_defines "")
foreach(dir ${cxx_dirs})
  string(STRIP "${dir}" dir)
  if(EXISTS "${dir}/bits/os_defines.h")
    set(os_defines "${dir}/bits/os_defines.h")
  endif()
  list(APPEND system_dirs "${dir}")
endforeach()
file(READ "${os_defines}" text)
string(REPLACE "#define __USE_MINGW_ANSI_STDIO 1" "#define __USE_MINGW_ANSI_STDIO 0" shadowed "${text}")
if(shadowed STREQUAL text)
  message(FATAL_ERROR "${os_defines} no longer sets __USE_MINGW_ANSI_STDIO as expected")
endif()
file(WRITE ${shadow}/bits/os_defines.h "${shadowed}")
list(PREPEND system_dirs ${shadow})
list(APPEND system_dirs "${clang_resource}/include" "/usr/${VEMO_MINGW_TRIPLE}/include")

# clang for the Microsoft ABI does not define __STRICT_ANSI__ for -std=c++17, which
# libstdc++'s c++config.h then warns about.
set(VEMO_WINDOWS_CXX_FLAGS
  --target=${VEMO_WINDOWS_TRIPLE} -std=c++17
  -fms-extensions -fms-compatibility -fms-compatibility-version=19.29 -fgnuc-version=4.2.1
  -D_UCRT -D__USE_MINGW_ANSI_STDIO=0 -D_MT -D_DLL -DNOMINMAX -DWIN32 -D_WINDOWS -D_MBCS
  -D__STRICT_ANSI__ -nostdinc)
foreach(dir ${system_dirs})
  list(APPEND VEMO_WINDOWS_CXX_FLAGS "-isystem${dir}")  # joined: options are deduplicated
endforeach()
if(VEMO_WINDOWS_ARCH STREQUAL "x86")
  list(APPEND VEMO_WINDOWS_CXX_FLAGS -D_X86_=1)
  set(VEMO_DLLTOOL_MACHINE i386)
  set(VEMO_LINK_MACHINE X86)
else()
  set(VEMO_DLLTOOL_MACHINE i386:x86-64)
  set(VEMO_LINK_MACHINE X64)
endif()
# Everything here is module code or built like it: no exceptions, no type information, no
# thread-safe statics (each needs runtime code the C runtime DLLs do not export).
add_compile_options(${VEMO_WINDOWS_CXX_FLAGS} -fno-exceptions -fno-rtti -fno-threadsafe-statics
                    -O2 -msse2)

# Import libraries: the C runtime sets and kernel32 from the lists in win/defs/, the
# simulator's executable from the decorated names of every API declaration of the host
# header (win/host-api-names.sh), which the decorated-names test also reads.
set(VEMO_WINDOWS_LIB_DIR ${CMAKE_BINARY_DIR}/win-lib)
file(GLOB def_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/win/defs/*.def)
set(VEMO_WINDOWS_IMPORT_LIBS "")
foreach(def ${def_files})
  get_filename_component(name ${def} NAME_WE)
  set(lib ${VEMO_WINDOWS_LIB_DIR}/${name}.lib)
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VEMO_WINDOWS_LIB_DIR}
    COMMAND ${VEMO_DLLTOOL} -m ${VEMO_DLLTOOL_MACHINE} -d ${def} -l ${lib}
    DEPENDS ${def} VERBATIM)
  list(APPEND VEMO_WINDOWS_IMPORT_LIBS ${lib})
endforeach()
set(VEMO_HOST_API_NAMES ${CMAKE_BINARY_DIR}/win-lib/host-api-names.txt)
set(host_def ${VEMO_WINDOWS_LIB_DIR}/Orbiter.def)
add_custom_command(OUTPUT ${VEMO_HOST_API_NAMES} ${host_def}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VEMO_WINDOWS_LIB_DIR}
  COMMAND ${CMAKE_SOURCE_DIR}/win/host-api-names.sh ${VEMO_HOST_API_NAMES} ${host_def}
          ${CMAKE_CXX_COMPILER} ${VEMO_WINDOWS_CXX_FLAGS} -I${CMAKE_SOURCE_DIR}/host
          -I${CMAKE_SOURCE_DIR}/win
  DEPENDS ${CMAKE_SOURCE_DIR}/win/host-api-names.sh ${CMAKE_SOURCE_DIR}/host/Orbitersdk.h
          ${CMAKE_SOURCE_DIR}/win/ModuleStartup.h
  COMMENT "Decorated names of the host API (${VEMO_WINDOWS_ARCH})" VERBATIM)
add_custom_command(OUTPUT ${VEMO_WINDOWS_LIB_DIR}/Orbiter.lib
  COMMAND ${VEMO_DLLTOOL} -m ${VEMO_DLLTOOL_MACHINE} -d ${host_def}
          -l ${VEMO_WINDOWS_LIB_DIR}/Orbiter.lib
  DEPENDS ${host_def} VERBATIM)
list(APPEND VEMO_WINDOWS_IMPORT_LIBS ${VEMO_WINDOWS_LIB_DIR}/Orbiter.lib)
add_custom_target(windows-import-libs DEPENDS ${VEMO_WINDOWS_IMPORT_LIBS})

# What every DLL and program of this build links: no default library, the import libraries
# above, and (DLLs) the module startup of win/.
set(VEMO_WINDOWS_LINK_OPTIONS
  LINKER:/NODEFAULTLIB LINKER:/MACHINE:${VEMO_LINK_MACHINE} LINKER:/OPT:REF LINKER:/OPT:ICF
  LINKER:/DYNAMICBASE LINKER:/NXCOMPAT)
if(VEMO_WINDOWS_ARCH STREQUAL "x86")
  list(APPEND VEMO_WINDOWS_LINK_OPTIONS LINKER:/SAFESEH)
endif()
add_library(vemowinrt OBJECT ${CMAKE_SOURCE_DIR}/win/CrtRuntime.cpp)
add_library(vemowin OBJECT ${CMAKE_SOURCE_DIR}/win/ModuleMain.cpp
                           ${CMAKE_SOURCE_DIR}/win/CrtStartup.cpp)
target_link_libraries(vemowin PUBLIC hostapi)
target_include_directories(vemowin PUBLIC ${CMAKE_SOURCE_DIR}/win)

function(vemo_windows_link target)
  target_link_options(${target} PRIVATE ${VEMO_WINDOWS_LINK_OPTIONS})
  target_link_libraries(${target} PRIVATE ${VEMO_WINDOWS_IMPORT_LIBS})
  add_dependencies(${target} windows-import-libs)
endfunction()

function(vemo_windows_module target)
  target_link_libraries(${target} PRIVATE vemowin vemowinrt)
  vemo_windows_link(${target})
endfunction()
