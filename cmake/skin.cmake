# The skin: the pure skin code (into kelo_core), the Win32 skin classes (into kelo_app),
# and Kelo's own skin, drawn and packed at build time by two small host programs:
#   kelo_skinart  draws the images     -> ${KELO_SKIN_GENERATED}/skin/*.bmp
#   kelo_skinpack packs INI and images -> ${KELO_SKIN_FILE} (the skin file: size + LZHUF)
# The SkinStream property of the main window is a 32-bit length followed by that file.

set(KELO_SKIN_SRC ${CMAKE_SOURCE_DIR}/src/skin)
set(KELO_SKIN_ART_DIR ${CMAKE_SOURCE_DIR}/resources/skin)
set(KELO_SKIN_GENERATED ${CMAKE_BINARY_DIR}/generated)
set(KELO_SKIN_FILE ${KELO_SKIN_GENERATED}/KeloSkin.lzh)
set(KELO_SKIN_GLYPHS ${KELO_SKIN_GENERATED}/skin/skinmenuglyphs.bmp)
set(KELO_SKIN_INI ${KELO_SKIN_ART_DIR}/KeloSkin.ini)

set(KELO_SKIN_PURE_SOURCES
  ${KELO_SKIN_SRC}/data/Lzh.cpp
  ${KELO_SKIN_SRC}/data/SkinArchive.cpp
  ${KELO_SKIN_SRC}/data/SkinImage.cpp
  ${KELO_SKIN_SRC}/data/SkinIni.cpp
  ${KELO_SKIN_SRC}/data/SkinData.cpp
  ${KELO_SKIN_SRC}/data/NineGrid.cpp
  ${KELO_SKIN_SRC}/controls/SkinControlChoice.cpp
  ${KELO_SKIN_SRC}/frame/SkinFrameRules.cpp
  ${KELO_SKIN_SRC}/controls/SkinControlRules.cpp
  ${KELO_SKIN_SRC}/controls/SkinScrollGeometry.cpp)
target_sources(kelo_core PRIVATE ${KELO_SKIN_PURE_SOURCES})

# Sources of the host programs: they use the pure skin code only.
set(KELO_SKIN_TOOL_CODEC ${KELO_SKIN_SRC}/data/Lzh.cpp ${KELO_SKIN_SRC}/data/SkinArchive.cpp ${KELO_SKIN_SRC}/data/SkinImage.cpp)
set(KELO_SKINART_SOURCES ${KELO_SKIN_ART_DIR}/SkinArt.cpp ${KELO_SKIN_ART_DIR}/SkinArtControls.cpp
  ${KELO_SKIN_ART_DIR}/SkinCanvas.cpp ${KELO_SKIN_TOOL_CODEC})
set(KELO_SKINPACK_SOURCES ${CMAKE_SOURCE_DIR}/tools/skinpack/SkinPack.cpp ${KELO_SKIN_TOOL_CODEC})
file(GLOB_RECURSE KELO_SKIN_TOOL_HEADERS CONFIGURE_DEPENDS ${KELO_SKIN_SRC}/*.h ${KELO_SKIN_ART_DIR}/*.h)

if(NOT WIN32)
  add_executable(kelo_skinart ${KELO_SKINART_SOURCES})
  add_executable(kelo_skinpack ${KELO_SKINPACK_SOURCES})
  foreach(tool kelo_skinart kelo_skinpack)
    target_include_directories(${tool} PRIVATE ${CMAKE_SOURCE_DIR}/src)
    target_compile_options(${tool} PRIVATE -Wall -Wextra)
  endforeach()
  set(KELO_SKINART_EXE $<TARGET_FILE:kelo_skinart>)
  set(KELO_SKINPACK_EXE $<TARGET_FILE:kelo_skinpack>)
else()
  # A cross build cannot run what it compiles: the host compiler builds the two tools.
  find_program(KELO_HOST_CXX NAMES c++ g++ REQUIRED)
  set(KELO_HOST_TOOLS ${CMAKE_BINARY_DIR}/host-tools)
  set(KELO_SKINART_EXE ${KELO_HOST_TOOLS}/kelo_skinart)
  set(KELO_SKINPACK_EXE ${KELO_HOST_TOOLS}/kelo_skinpack)
  foreach(tool skinart skinpack)
    string(TOUPPER ${tool} upper)
    add_custom_command(OUTPUT ${KELO_HOST_TOOLS}/kelo_${tool}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${KELO_HOST_TOOLS}
      COMMAND ${KELO_HOST_CXX} -std=c++20 -O2 -I${CMAKE_SOURCE_DIR}/src ${KELO_${upper}_SOURCES}
              -o ${KELO_HOST_TOOLS}/kelo_${tool}
      DEPENDS ${KELO_${upper}_SOURCES} ${KELO_SKIN_TOOL_HEADERS}
      COMMENT "Building host tool kelo_${tool}" VERBATIM)
  endforeach()
endif()

add_custom_command(OUTPUT ${KELO_SKIN_FILE} ${KELO_SKIN_GLYPHS}
  COMMAND ${KELO_SKINART_EXE} ${KELO_SKIN_GENERATED}/skin
  COMMAND ${KELO_SKINPACK_EXE} ${KELO_SKIN_INI} ${KELO_SKIN_GENERATED}/skin ${KELO_SKIN_FILE}
  DEPENDS ${KELO_SKINART_EXE} ${KELO_SKINPACK_EXE} ${KELO_SKIN_INI}
  COMMENT "Drawing and packing Kelo's skin" VERBATIM)
add_custom_target(kelo_skin_data ALL DEPENDS ${KELO_SKIN_FILE} ${KELO_SKIN_GLYPHS})

if(NOT WIN32)
  # The unit tests read the packed skin, and replay what the fuzzers once found.
  target_compile_definitions(kelo_core_tests PRIVATE
    KELO_SKIN_FILE="${KELO_SKIN_FILE}"
    KELO_FUZZ_CRASHERS="${CMAKE_SOURCE_DIR}/fuzz/crashers")
  target_include_directories(kelo_core_tests PRIVATE ${CMAKE_SOURCE_DIR}/fuzz)
  add_dependencies(kelo_core_tests kelo_skin_data)

  add_executable(kelo_skin_bench ${CMAKE_SOURCE_DIR}/tools/skinbench/SkinBench.cpp)
  target_link_libraries(kelo_skin_bench PRIVATE kelo_core)
  target_compile_definitions(kelo_skin_bench PRIVATE KELO_SKIN_FILE="${KELO_SKIN_FILE}")
  add_dependencies(kelo_skin_bench kelo_skin_data)
else()
  file(GLOB_RECURSE KELO_SKIN_WIN_SOURCES CONFIGURE_DEPENDS ${KELO_SKIN_SRC}/*.cpp)
  list(REMOVE_ITEM KELO_SKIN_WIN_SOURCES ${KELO_SKIN_PURE_SOURCES})
  target_sources(kelo_app PRIVATE ${KELO_SKIN_WIN_SOURCES})

  # The menu glyphs of the skinned system menu are a bitmap resource of the program.
  set(KELO_SKIN_RC ${KELO_SKIN_GENERATED}/KeloSkinGlyphs.rc)
  file(WRITE ${KELO_SKIN_RC}.in "SKINMENUGLYPHS BITMAP \"${KELO_SKIN_GLYPHS}\"\n")
  configure_file(${KELO_SKIN_RC}.in ${KELO_SKIN_RC} COPYONLY)
  set_source_files_properties(${KELO_SKIN_RC} PROPERTIES OBJECT_DEPENDS ${KELO_SKIN_GLYPHS})
  target_sources(Kelo PRIVATE ${KELO_SKIN_RC})
  add_dependencies(Kelo kelo_skin_data)

  if(TARGET kelo_win_tests)
    # The tests carry the packed skin as RCDATA "KELOSKIN", beside the glyphs.
    set(KELO_SKIN_TEST_RC ${KELO_SKIN_GENERATED}/KeloSkinTests.rc)
    file(WRITE ${KELO_SKIN_TEST_RC}.in
      "SKINMENUGLYPHS BITMAP \"${KELO_SKIN_GLYPHS}\"\nKELOSKIN RCDATA \"${KELO_SKIN_FILE}\"\n")
    configure_file(${KELO_SKIN_TEST_RC}.in ${KELO_SKIN_TEST_RC} COPYONLY)
    set_source_files_properties(${KELO_SKIN_TEST_RC} PROPERTIES OBJECT_DEPENDS "${KELO_SKIN_GLYPHS};${KELO_SKIN_FILE}")
    target_sources(kelo_win_tests PRIVATE ${KELO_SKIN_TEST_RC})
    add_dependencies(kelo_win_tests kelo_skin_data)
  endif()
endif()
