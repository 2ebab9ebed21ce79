# vemo_optional_library(SWITCH PACKAGE NAME WHAT DEBIAN_PACKAGE)
#
# Looks for a library that only a part of the build needs (the tests, the benchmarks) and
# sets SWITCH to ON or OFF for that part. SWITCH AUTO (the default) builds the part when the
# library is found and says plainly when it is not; ON refuses to configure without it; OFF
# leaves the part out without looking.
function(vemo_optional_library switch package name what debian)
  string(TOUPPER "${${switch}}" wanted)
  if(wanted STREQUAL "OFF" OR wanted STREQUAL "FALSE" OR wanted STREQUAL "NO"
     OR wanted STREQUAL "0")
    set(${switch} OFF PARENT_SCOPE)
    return()
  endif()
  if(wanted STREQUAL "AUTO")
    find_package(${package} QUIET)
  else()
    find_package(${package})
    if(NOT ${package}_FOUND)
      message(FATAL_ERROR "${switch}=${${switch}} asks for ${what}, which need ${name}, and "
                          "it was not found (Debian: ${debian}). Install it, or configure "
                          "with -D${switch}=OFF.")
    endif()
  endif()
  if(${package}_FOUND)
    set(${switch} ON PARENT_SCOPE)
  else()
    message(STATUS "${name} not found: ${what} are not built; everything else is "
                   "(Debian: ${debian}; -D${switch}=ON makes it required)")
    set(${switch} OFF PARENT_SCOPE)
  endif()
endfunction()
