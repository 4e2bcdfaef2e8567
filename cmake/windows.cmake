# The satellite windows (mini window, dialogs, notice window): Win32 code of kelo_app.
if(WIN32)
  file(GLOB KELO_WINDOWS_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/windows/*.cpp)
  target_sources(kelo_app PRIVATE ${KELO_WINDOWS_SOURCES})
  # The system's open-file dialog of the options dialog.
  target_link_libraries(kelo_app PUBLIC comdlg32)
endif()
