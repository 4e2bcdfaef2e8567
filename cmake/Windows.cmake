# Windows build (MinGW-w64): the program, its Win32-level tests run under Wine,
# the end-to-end driver and the end-to-end tests.
set(KELO_WIN_FLAGS -municode -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX -D_WIN32_WINNT=0x0601)
set(KELO_STATIC_LINK -static -static-libgcc -static-libstdc++)

# The same sources give the same Kelo.exe in any folder and at any time: no link time in
# the header, no folder of the build in the program (assertion texts name files by
# their place in the source tree).
set(KELO_PATH_MAP -ffile-prefix-map=${CMAKE_SOURCE_DIR}/=
    -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
target_compile_options(kelo_core PUBLIC ${KELO_PATH_MAP})
set(KELO_REPRODUCIBLE_LINK -Wl,--no-insert-timestamp)

# The version resource and the application manifest take the project's version.
set(KELO_VERSION_QUAD ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
string(REPLACE "." "," KELO_VERSION_COMMAS ${KELO_VERSION_QUAD})
set(KELO_GENERATED ${CMAKE_BINARY_DIR}/generated)
file(CONFIGURE OUTPUT ${KELO_GENERATED}/KeloVersion.h CONTENT
"#define KELO_VERSION_COMMAS @KELO_VERSION_COMMAS@
#define KELO_VERSION_TEXT \"@PROJECT_VERSION@\"
" @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/resources/Kelo.exe.manifest.in ${KELO_GENERATED}/Kelo.exe.manifest @ONLY)

# The resource script embeds the form descriptions and images: rebuild it when they change.
file(GLOB KELO_RESOURCE_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/forms/*.kfm
     ${CMAKE_SOURCE_DIR}/resources/*.ico ${CMAKE_SOURCE_DIR}/resources/*.bmp)
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/Kelo.rc PROPERTIES
  OBJECT_DEPENDS "${KELO_RESOURCE_FILES};${KELO_GENERATED}/KeloVersion.h;${KELO_GENERATED}/Kelo.exe.manifest"
  INCLUDE_DIRECTORIES ${KELO_GENERATED})

file(GLOB KELO_FRAMEWORK_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/framework/*.cpp)
add_library(kelo_framework STATIC ${KELO_FRAMEWORK_SOURCES})
target_link_libraries(kelo_framework PUBLIC kelo_core comctl32 gdi32 user32 kernel32 shell32 ole32 oleaut32 uuid)
target_compile_options(kelo_framework PUBLIC ${KELO_WIN_FLAGS} PRIVATE -Wall -Wextra)

file(GLOB KELO_APP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/app/*.cpp)
list(FILTER KELO_APP_SOURCES EXCLUDE REGEX ".*/WinMain\\.cpp$")
add_library(kelo_app STATIC ${KELO_APP_SOURCES})
target_link_libraries(kelo_app PUBLIC kelo_framework wininet ws2_32 winmm dwmapi advapi32 iphlpapi)
target_compile_options(kelo_app PRIVATE -Wall -Wextra)

add_executable(Kelo WIN32 ${CMAKE_SOURCE_DIR}/src/app/WinMain.cpp ${CMAKE_SOURCE_DIR}/resources/Kelo.rc)
target_link_libraries(Kelo PRIVATE kelo_app)
# Stripped: the debugging sections come from the runtime libraries only and would double
# the size of the download.
target_link_options(Kelo PRIVATE -municode -mwindows ${KELO_STATIC_LINK} ${KELO_REPRODUCIBLE_LINK} -s)
set_target_properties(Kelo PROPERTIES OUTPUT_NAME Kelo RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# GoogleTest built from Debian's sources with the cross compiler.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB KELO_WIN_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*.cpp)
if(KELO_SKIP_skin)
  list(FILTER KELO_WIN_TESTS EXCLUDE REGEX ".*/Skin[^/]*\\.cpp$")
endif()
if(KELO_WIN_TESTS)
  add_executable(kelo_win_tests ${KELO_WIN_TESTS} ${CMAKE_SOURCE_DIR}/resources/Kelo.rc)
  target_link_libraries(kelo_win_tests PRIVATE kelo_app gtest gtest_main)
  target_compile_options(kelo_win_tests PRIVATE ${KELO_WIN_FLAGS})
  target_link_options(kelo_win_tests PRIVATE ${KELO_STATIC_LINK})
  add_test(NAME win_unit_tests COMMAND ${CMAKE_SOURCE_DIR}/scripts/lib/wine-run.sh $<TARGET_FILE:kelo_win_tests>)
  set_tests_properties(win_unit_tests PROPERTIES TIMEOUT 600)
endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/tests/e2e/driver/CMakeLists.txt)
  add_subdirectory(${CMAKE_SOURCE_DIR}/tests/e2e/driver ${CMAKE_BINARY_DIR}/driver)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/e2e/CMakeLists.txt)
  include(${CMAKE_SOURCE_DIR}/tests/e2e/CMakeLists.txt)
endif()

# Benchmarks: programs that print figures (see the README).
add_executable(kelo_bench ${CMAKE_SOURCE_DIR}/bench/MeterBench.cpp ${CMAKE_SOURCE_DIR}/bench/SkinFrameBench.cpp ${CMAKE_SOURCE_DIR}/bench/SkinResizeBench.cpp ${CMAKE_SOURCE_DIR}/bench/MenuPaintBench.cpp ${CMAKE_SOURCE_DIR}/bench/SkinControlsBench.cpp ${CMAKE_SOURCE_DIR}/bench/ReportBench.cpp ${CMAKE_SOURCE_DIR}/resources/Kelo.rc)
target_link_libraries(kelo_bench PRIVATE kelo_app psapi)
target_compile_options(kelo_bench PRIVATE ${KELO_WIN_FLAGS})
target_link_options(kelo_bench PRIVATE -municode ${KELO_STATIC_LINK})
set_target_properties(kelo_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
