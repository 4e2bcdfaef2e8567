# The flat menu and control painter: its colour, hook and geometry rules in kelo_core.
target_sources(kelo_core PRIVATE ${CMAKE_SOURCE_DIR}/src/menupainter/MenuPainterLook.cpp)
