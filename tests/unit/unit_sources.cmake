# The GoogleTest programs on the portable core: built natively by
# tests/CMakeLists.txt and for Windows by cmake/windows_unit_tests.cmake.
set(unit_test_dir ${CMAKE_SOURCE_DIR}/tests/unit)
set(UNIT_TEST_SOURCES
  ${unit_test_dir}/device_list_test.cpp
  ${unit_test_dir}/image_version_test.cpp
  ${unit_test_dir}/firmware_version_test.cpp
  ${unit_test_dir}/command_line_test.cpp
  ${unit_test_dir}/carried_image_test.cpp
  ${unit_test_dir}/srecord_test.cpp
  ${unit_test_dir}/image_file_test.cpp
  ${unit_test_dir}/device_table_test.cpp
  ${unit_test_dir}/search_schedule_test.cpp)
set(CONSOLE_TEST_SOURCES
  ${unit_test_dir}/console_login_test.cpp
  ${unit_test_dir}/firmware_transfer_test.cpp)
