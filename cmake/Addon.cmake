# The add-on as a user installs it into the simulator's folder (`cmake --install`):
#   modules/vemopod.dll           the capsule (component vemopod, vessel/CMakeLists.txt)
#   config/vessels/vemopod.cfg    its class config file
#   meshes/vemopod.msh            its mesh
#   Images/vemopod.bmp            its picture on the simulator's launchpad (ImageBmp)
#   scenarios/vemopod/*.scn       scenarios to open in the simulator
#   doc/vemopod.md                the user's page, and the capsule's picture it shows
#   doc/vemopod-LICENSE.txt       the licence (MIT)
# The crewhab sample for module authors is a component of its own that a plain install
# leaves out (`cmake --install build --component crewhab` adds it):
#   modules/crewhab.dll, config/vessels/crewhab.cfg, scenarios/vemopod/transfer.scn
# The companion stand-in has install rules too, but only the headless root names them.
install(FILES ${CMAKE_SOURCE_DIR}/meshes/vemopod.msh DESTINATION meshes COMPONENT vemopod)
install(FILES ${CMAKE_SOURCE_DIR}/meshes/vemopod.bmp DESTINATION Images COMPONENT vemopod)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/scenarios/vemopod DESTINATION scenarios
        COMPONENT vemopod FILES_MATCHING PATTERN "*.scn" PATTERN "transfer.scn" EXCLUDE)
install(FILES ${CMAKE_SOURCE_DIR}/scenarios/vemopod/transfer.scn DESTINATION scenarios/vemopod
        COMPONENT crewhab EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_SOURCE_DIR}/doc/vemopod.md ${CMAKE_SOURCE_DIR}/doc/vemopod-mesh.svg
        DESTINATION doc COMPONENT vemopod)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION doc RENAME vemopod-LICENSE.txt
        COMPONENT vemopod)
