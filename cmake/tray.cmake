# The tray icon component (Windows build only).
if(WIN32)
  target_sources(kelo_app PRIVATE ${CMAKE_SOURCE_DIR}/src/tray/TrayIcon.cpp)
endif()
