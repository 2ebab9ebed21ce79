# The build fences: the include path of every module and of the crew library, as the build
# wrote it (fences/<target>.includes), holds the host header folder and the crew library's
# folder and nothing else, so module code can never use a header of the headless host. The
# companion stand-in, another vendor's module in the simulator, sees the host header only.
#   cmake -DFENCES=<build>/fences -DSOURCE_DIR=<source> -P check_fences.cmake
cmake_minimum_required(VERSION 3.20)

set(problems "")
foreach(target vemocrew vemopod crewhab Vemo)
  if(NOT EXISTS ${FENCES}/${target}.includes)
    string(APPEND problems "\n  ${target}: no include path was written")
  endif()
endforeach()

file(GLOB lists ${FENCES}/*.includes)
foreach(list ${lists})
  get_filename_component(target ${list} NAME_WE)
  if(target STREQUAL "Vemo")
    set(allowed ${SOURCE_DIR}/host)
  else()
    set(allowed ${SOURCE_DIR}/host ${SOURCE_DIR}/crew)
  endif()
  file(STRINGS ${list} dirs)
  foreach(dir ${dirs})
    if(NOT dir IN_LIST allowed)
      string(APPEND problems "\n  ${target} sees ${dir}")
    endif()
  endforeach()
endforeach()

if(problems)
  message(FATAL_ERROR "module code sees more than the host header and the crew library:${problems}")
endif()
list(LENGTH lists count)
message(STATUS "${count} include paths hold only what module code may see")
