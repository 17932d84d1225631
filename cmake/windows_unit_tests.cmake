# The portable core's GoogleTest programs for Windows, run under Wine by
# tests/wine/unit_tests.sh (only the 64-bit build: Wine here runs no 32-bit
# code). GoogleTest is built from Debian's sources (package googletest) with
# this toolchain and linked statically, like the programs.
set(GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest's sources, built with the mingw toolchain")
if(NOT EXISTS ${GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "${GTEST_SOURCE_DIR} missing: scripts/setup-deps installs googletest")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

include(${CMAKE_SOURCE_DIR}/tests/unit/unit_sources.cmake)
include(${CMAKE_SOURCE_DIR}/cmake/image_shape.cmake)
# The carried image is the resource "MOT" 103, loaded as the programs load it.
set(windows_test_main
  ${CMAKE_SOURCE_DIR}/tests/unit/main_win.cpp
  ${CMAKE_SOURCE_DIR}/firmware/load_firmware_win.cpp
  ${CMAKE_SOURCE_DIR}/tests/unit/carried_image.rc)
set_source_files_properties(${CMAKE_SOURCE_DIR}/tests/unit/carried_image.rc PROPERTIES OBJECT_DEPENDS "${FIRMWARE_IMAGE}")
set(static_runtime -static -static-libgcc -static-libstdc++)

add_executable(unit_tests ${UNIT_TEST_SOURCES} ${windows_test_main})
target_link_libraries(unit_tests PRIVATE firmware_core app_core discovery_core gtest ws2_32 ${static_runtime})
add_executable(console_tests ${CONSOLE_TEST_SOURCES} ${windows_test_main})
target_link_libraries(console_tests PRIVATE console_core gtest ws2_32 ${static_runtime})
set_target_properties(unit_tests console_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
