# The main window's form description carries the skin: at build time the packed skin
# file goes into its SkinStream property, and the result is the MAIN resource.
set(KELO_MAIN_FORM_IN ${CMAKE_SOURCE_DIR}/resources/forms/Main.kfm)
set(KELO_MAIN_FORM ${CMAKE_BINARY_DIR}/generated/forms/Main.kfm)
set(KELO_FORMS_RC ${CMAKE_BINARY_DIR}/generated/KeloForms.rc)
if(TARGET kelo_skin_data)
  set(KELO_MAIN_SKIN ${KELO_SKIN_FILE})
  set(KELO_MAIN_SKIN_DEPENDS kelo_skin_data ${KELO_SKIN_FILE})
else()
  set(KELO_MAIN_SKIN "")
  set(KELO_MAIN_SKIN_DEPENDS "")
endif()
add_custom_command(OUTPUT ${KELO_MAIN_FORM}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated/forms
  COMMAND ${CMAKE_COMMAND} -DIN=${KELO_MAIN_FORM_IN} -DOUT=${KELO_MAIN_FORM}
          -DSTREAM=${KELO_MAIN_SKIN} -P ${CMAKE_SOURCE_DIR}/cmake/EmbedSkinStream.cmake
  DEPENDS ${KELO_MAIN_FORM_IN} ${CMAKE_SOURCE_DIR}/cmake/EmbedSkinStream.cmake ${KELO_MAIN_SKIN_DEPENDS}
  COMMENT "Putting the skin into the main window's form description" VERBATIM)
add_custom_target(kelo_main_form DEPENDS ${KELO_MAIN_FORM})
file(WRITE ${KELO_FORMS_RC}.in "MAIN RCDATA \"${KELO_MAIN_FORM}\"\n")
configure_file(${KELO_FORMS_RC}.in ${KELO_FORMS_RC} COPYONLY)
set_source_files_properties(${KELO_FORMS_RC} PROPERTIES OBJECT_DEPENDS ${KELO_MAIN_FORM})
foreach(target Kelo kelo_win_tests kelo_bench)
  if(TARGET ${target})
    target_sources(${target} PRIVATE ${KELO_FORMS_RC})
    add_dependencies(${target} kelo_main_form)
  endif()
endforeach()
