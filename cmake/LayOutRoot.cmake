# Lays out the headless host's runtime root by running the install rules of the given
# components into it, the rules a user's install runs. Quiet unless something fails.
#   cmake -DBUILD_DIR=<build> -DROOT=<root> -DCOMPONENTS="a;b" -P LayOutRoot.cmake
foreach(component ${COMPONENTS})
  execute_process(
    COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${ROOT} --component ${component}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "installing ${component} into ${ROOT} failed:\n${output}")
  endif()
endforeach()
