# The flat menu and control painter: its colour, hook and geometry rules in kelo_core,
# the component and the painters in kelo_app.
set(KELO_MENUPAINTER_PURE ${CMAKE_SOURCE_DIR}/src/menupainter/MenuPainterLook.cpp
                          ${CMAKE_SOURCE_DIR}/src/menupainter/ControlLook.cpp
                          ${CMAKE_SOURCE_DIR}/src/menupainter/ControlState.cpp)
target_sources(kelo_core PRIVATE ${KELO_MENUPAINTER_PURE})

if(WIN32)
  file(GLOB KELO_MENUPAINTER_WIN CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/menupainter/*.cpp)
  list(REMOVE_ITEM KELO_MENUPAINTER_WIN ${KELO_MENUPAINTER_PURE})
  if(KELO_MENUPAINTER_WIN)
    target_sources(kelo_app PRIVATE ${KELO_MENUPAINTER_WIN})
  endif()
endif()
