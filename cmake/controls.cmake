# The font and colour pickers: their rules in kelo_core, the controls in kelo_app, and
# the font type glyphs as bitmap resources of the program and of the Win32 tests.
target_sources(kelo_core PRIVATE ${CMAKE_SOURCE_DIR}/src/controls/PickerLogic.cpp)

if(WIN32)
  target_sources(kelo_app PRIVATE
    ${CMAKE_SOURCE_DIR}/src/controls/PickerCombos.cpp
    ${CMAKE_SOURCE_DIR}/src/controls/FontCombo.cpp
    ${CMAKE_SOURCE_DIR}/src/controls/FontPreview.cpp
    ${CMAKE_SOURCE_DIR}/src/controls/ColorCombo.cpp)
  # Colour dialog, printer fonts, transparent glyph copies.
  target_link_libraries(kelo_app PUBLIC comdlg32 winspool msimg32)

  set(KELO_PICKERS_RC ${CMAKE_SOURCE_DIR}/resources/controls/Pickers.rc)
  file(GLOB KELO_PICKER_GLYPHS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/controls/*.bmp)
  set_source_files_properties(${KELO_PICKERS_RC} PROPERTIES OBJECT_DEPENDS "${KELO_PICKER_GLYPHS}")
  target_sources(Kelo PRIVATE ${KELO_PICKERS_RC})
  if(TARGET kelo_win_tests)
    target_sources(kelo_win_tests PRIVATE ${KELO_PICKERS_RC})
  endif()
endif()
