# The demo on a machine without GoogleTest and Google Benchmark: the project configures with
# both hidden and says what it leaves out, vemosim builds, and the README's round trip runs;
# asking for the tests without their library is refused with a message that says how.
#   cmake -DSOURCE_DIR=<source> -DWORK=<scratch folder> [-DLAUNCHER=ccache] -P ...

cmake_minimum_required(VERSION 3.20)

file(REMOVE_RECURSE ${WORK})
set(hidden -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON)
if(LAUNCHER)
  list(APPEND hidden -DCMAKE_CXX_COMPILER_LAUNCHER=${LAUNCHER})
endif()

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(result ${code} PARENT_SCOPE)
  string(REGEX REPLACE "[ \n]+" " " flat "${out}${err}")
  set(output "${flat}" PARENT_SCOPE)
endfunction()

function(expect_said text)
  string(FIND "${output}" "${text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "expected \"${text}\" in:\n${output}")
  endif()
endfunction()

run(refused ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK}/asked -G Ninja ${hidden}
    -DVEMO_BUILD_TESTS=ON)
if(result EQUAL 0)
  message(FATAL_ERROR "configured with the tests asked for and GoogleTest hidden")
endif()
expect_said("VEMO_BUILD_TESTS=ON asks for the tests, which need GoogleTest")

run(configure ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK}/build -G Ninja ${hidden})
if(NOT result EQUAL 0)
  message(FATAL_ERROR "configuring without the test libraries failed:\n${output}")
endif()
expect_said("GoogleTest not found: the tests are not built")
expect_said("Google Benchmark not found: the benchmarks are not built")

run(build ${CMAKE_COMMAND} --build ${WORK}/build --target vemosim)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "building vemosim without the test libraries failed:\n${output}")
endif()
run(demo ${WORK}/build/vemosim --timeline ${SOURCE_DIR}/examples/roundtrip.tl --until 10
    --out ${WORK}/saved.scn ${SOURCE_DIR}/examples/roundtrip.scn)
if(NOT result EQUAL 0 OR NOT EXISTS ${WORK}/saved.scn)
  message(FATAL_ERROR "the demo failed:\n${output}")
endif()
file(REMOVE_RECURSE ${WORK})
message(STATUS "configured, built and ran the demo without GoogleTest and Google Benchmark")
