# The add-on as a user installs it into the simulator's folder:
#   modules/vemopod.dll           the capsule (component vemopod, vessel/CMakeLists.txt)
#   config/vessels/vemopod.cfg    its class config file
#   meshes/vemopod.msh            its mesh
#   scenarios/vemopod/*.scn       scenarios to open in the simulator
#   doc/vemopod.md                the user's page
#   modules/crewhab.dll, config/vessels/crewhab.cfg   the sample (component crewhab)
# The companion stand-in has install rules too, but only the headless root names them.
install(FILES ${CMAKE_SOURCE_DIR}/meshes/vemopod.msh DESTINATION meshes COMPONENT vemopod)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/scenarios/vemopod DESTINATION scenarios
        COMPONENT vemopod FILES_MATCHING PATTERN "*.scn")
install(FILES ${CMAKE_SOURCE_DIR}/doc/vemopod.md DESTINATION doc COMPONENT vemopod)
