# A vessel module: a library the host loads by file name, modules/<name>.dll, whose only
# exported names are its four entry points.
#
# Its include path holds the host header folder (through hostapi) and whatever it links on
# purpose, such as the crew library; never the headless host's own headers. The host
# library is linked by file for its symbols only: linking the target would hand the module
# the host's include folders, and code that used them would build here and nowhere else.
# Each module's include path is written to fences/<target>.includes for the fence test.

function(vemo_add_module target output_name)
  add_library(${target} MODULE ${ARGN})
  set_target_properties(${target} PROPERTIES
    PREFIX "" SUFFIX ".dll" OUTPUT_NAME ${output_name}
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/modules)
  target_link_libraries(${target} PRIVATE hostapi)
  if(VEMO_HOST_SDK_DIR)
    # The simulator's modules: 32-bit Windows DLLs built without UNICODE, so windows.h gives
    # the header's names their ANSI spellings, as the simulator's import library has them.
    target_link_libraries(${target} PRIVATE hostlibs)
    target_compile_definitions(${target} PRIVATE WIN32 _WINDOWS _MBCS)
    if(MSVC)
      target_compile_definitions(${target} PRIVATE _CRT_SECURE_NO_WARNINGS)
    else()
      # MinGW: no runtime DLLs of its own for the simulator's folder to hold.
      target_link_options(${target} PRIVATE -static-libgcc -static-libstdc++)
    endif()
  elseif(VEMO_WINDOWS_DLL)
    vemo_windows_module(${target})  # cmake/WindowsDll.cmake
  else()
    set_target_properties(${target} PROPERTIES
      CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
    target_link_options(${target} PRIVATE
      -Wl,--version-script=${CMAKE_SOURCE_DIR}/host/module.map)
    # Every name a module uses must be the host's or its own: caught when it links. Not under
    # clang's sanitizers, whose runtime a module does not link but finds in the program that
    # loads it.
    if(NOT (VEMO_SANITIZE AND CMAKE_CXX_COMPILER_ID MATCHES "Clang"))
      target_link_options(${target} PRIVATE -Wl,--no-undefined)
    endif()
    target_link_libraries(${target} PRIVATE $<TARGET_FILE:vemohost>)
    add_dependencies(${target} vemohost)
  endif()
  vemo_write_include_path(${target})
endfunction()

# Writes the target's whole include path, its links' usage requirements included.
function(vemo_write_include_path target)
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/fences/${target}.includes
       CONTENT "$<JOIN:$<TARGET_PROPERTY:${target},INCLUDE_DIRECTORIES>,\n>\n")
endfunction()

# Install rules of a vessel class: its module and its class config file
# config/vessels/<class>.cfg (from the source tree's config/vessels/). Extra arguments go to
# install() as they are (EXCLUDE_FROM_ALL for what only the headless root holds).
function(vemo_install_class target class component)
  install(TARGETS ${target} LIBRARY DESTINATION modules COMPONENT ${component} ${ARGN})
  install(FILES ${CMAKE_SOURCE_DIR}/config/vessels/${class}.cfg DESTINATION config/vessels
          COMPONENT ${component} ${ARGN})
endfunction()

# Module code (vessel/, crew/, examples/crewhab): built without exceptions.
function(vemo_module_code target)
  if(NOT MSVC)
    target_compile_options(${target} PRIVATE -fno-exceptions)
  endif()
endfunction()
