# Native build: the core library, its unit tests and the core benchmarks.
find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB KELO_CORE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/core/*.cpp)
add_executable(kelo_core_tests ${KELO_CORE_TESTS})
target_include_directories(kelo_core_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/core)
target_link_libraries(kelo_core_tests PRIVATE kelo_core GTest::gtest GTest::gtest_main)
gtest_discover_tests(kelo_core_tests DISCOVERY_TIMEOUT 60)
