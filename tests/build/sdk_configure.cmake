# Configuring against the simulator's SDK (VEMO_HOST_SDK_DIR).
#   MODE=refusals: a folder without the SDK's headers or import libraries, or a build that is
#     not for Windows, is refused at configure time with a message that says why.
#   MODE=addon-only: with a complete SDK folder and the mingw-w64 toolchain, the build holds
#     the crew library, the capsule and the crewhab sample, and nothing of the headless host,
#     the tests, the benchmarks or the fuzzers. Prints SKIPPED without that toolchain.
#   cmake -DMODE=... -DSOURCE_DIR=<source> -DWORK=<scratch folder> -P sdk_configure.cmake

cmake_minimum_required(VERSION 3.20)

file(REMOVE_RECURSE ${WORK})
set(sdk ${WORK}/sdk)

# Runs a configure of the source tree in a fresh build folder; sets result and output.
function(configure name)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK}/build-${name} -G Ninja ${ARGN}
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(result ${code} PARENT_SCOPE)
  set(output "${out}${err}" PARENT_SCOPE)
endfunction()

function(expect_refusal name message_part)
  configure(${name} ${ARGN})
  string(REPLACE "\n" " " flat "${output}")
  string(REGEX REPLACE " +" " " flat "${flat}")
  if(result EQUAL 0)
    message(FATAL_ERROR "${name}: configured, expected a refusal:\n${output}")
  endif()
  string(FIND "${flat}" "${message_part}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${name}: refused without saying \"${message_part}\":\n${output}")
  endif()
  message(STATUS "${name}: refused: ${message_part}")
endfunction()

if(MODE STREQUAL "refusals")
  expect_refusal(no-folder "${sdk} is not a folder" -DVEMO_HOST_SDK_DIR=${sdk})
  file(MAKE_DIRECTORY ${sdk}/include ${sdk}/lib)
  file(WRITE ${sdk}/lib/orbiter.lib "")
  expect_refusal(no-header "include/Orbitersdk.h is missing" -DVEMO_HOST_SDK_DIR=${sdk})
  file(REMOVE ${sdk}/lib/orbiter.lib)
  file(COPY ${SOURCE_DIR}/host/Orbitersdk.h DESTINATION ${sdk}/include)
  expect_refusal(no-library "lib holds no import library" -DVEMO_HOST_SDK_DIR=${sdk})
  file(WRITE ${sdk}/lib/orbiter.lib "")
  expect_refusal(not-windows "which runs on Windows" -DVEMO_HOST_SDK_DIR=${sdk})
elseif(MODE STREQUAL "addon-only")
  find_program(MINGW_CXX i686-w64-mingw32-g++)
  if(NOT MINGW_CXX)
    message("SKIPPED: no i686-w64-mingw32-g++ (Debian: g++-mingw-w64-i686)")
    return()
  endif()
  file(MAKE_DIRECTORY ${sdk}/include ${sdk}/lib)
  file(COPY ${SOURCE_DIR}/host/Orbitersdk.h DESTINATION ${sdk}/include)
  file(WRITE ${sdk}/lib/orbiter.lib "")
  configure(windows -DVEMO_HOST_SDK_DIR=${sdk} -DCMAKE_SYSTEM_NAME=Windows
            -DCMAKE_CXX_COMPILER=${MINGW_CXX})
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "configuring against a complete SDK failed:\n${output}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK}/build-windows --target help
                  OUTPUT_VARIABLE targets RESULT_VARIABLE code)
  foreach(wanted vemocrew vemopod crewhab)
    if(NOT targets MATCHES "(^|\n)${wanted}:")
      message(FATAL_ERROR "no target ${wanted} in the build for the simulator:\n${targets}")
    endif()
  endforeach()
  foreach(unwanted vemohost vemosim Vemo runtime-root test_ bench_ _replay hostprobe)
    if(targets MATCHES "(^|\n)[^\n:]*${unwanted}[^\n:]*:")
      message(FATAL_ERROR "the build for the simulator has ${unwanted}:\n${targets}")
    endif()
  endforeach()
  # The objects link the SDK's import library, not the headless host.
  file(READ ${WORK}/build-windows/build.ninja ninja)
  if(NOT ninja MATCHES "orbiter\\.lib" OR ninja MATCHES "vemohost")
    message(FATAL_ERROR "the capsule does not link the SDK's libraries alone")
  endif()
  message(STATUS "the build for the simulator holds the add-on's targets only")
else()
  message(FATAL_ERROR "MODE must be refusals or addon-only")
endif()
file(REMOVE_RECURSE ${WORK})
