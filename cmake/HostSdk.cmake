# The simulator's own SDK (VEMO_HOST_SDK_DIR): its headers in include/, its import libraries
# in lib/. Checked before anything is built, so a wrong folder fails at once with the reason
# instead of as a compile or link error later.

function(vemo_check_host_sdk sdk)
  if(NOT IS_DIRECTORY "${sdk}")
    message(FATAL_ERROR "VEMO_HOST_SDK_DIR: ${sdk} is not a folder. Point it at the "
                        "simulator's SDK folder, the one holding include/ and lib/.")
  endif()
  if(NOT EXISTS "${sdk}/include/Orbitersdk.h")
    message(FATAL_ERROR "VEMO_HOST_SDK_DIR: ${sdk}/include/Orbitersdk.h is missing. Point it at "
                        "the simulator's SDK folder, the one holding include/ and lib/.")
  endif()
  file(GLOB libraries "${sdk}/lib/*.lib")
  if(NOT libraries)
    message(FATAL_ERROR "VEMO_HOST_SDK_DIR: ${sdk}/lib holds no import library (*.lib). Point "
                        "it at the simulator's SDK folder, the one holding include/ and lib/.")
  endif()
endfunction()

# The SDK's headers for the crew library and the modules, and its libraries for the modules.
function(vemo_use_host_sdk sdk)
  if(NOT WIN32)
    message(FATAL_ERROR "VEMO_HOST_SDK_DIR builds modules for the simulator, which runs on "
                        "Windows: configure on Windows, or with a toolchain for Windows.")
  endif()
  file(GLOB libraries "${sdk}/lib/*.lib")
  target_include_directories(hostapi INTERFACE "${sdk}/include")
  add_library(hostlibs INTERFACE)
  target_link_libraries(hostlibs INTERFACE ${libraries})
  message(STATUS "Building for the simulator against ${sdk}; linking ${libraries}")
endfunction()
