# Native targets: the image compiled into the programs, the tools and the tests.
configure_file(firmware/embedded_image.S.in ${CMAKE_BINARY_DIR}/embedded_image.S @ONLY)
set_source_files_properties(${CMAKE_BINARY_DIR}/embedded_image.S PROPERTIES
  OBJECT_DEPENDS "${FIRMWARE_IMAGE}")
add_library(embedded_image STATIC
  ${CMAKE_BINARY_DIR}/embedded_image.S
  firmware/load_firmware_embedded.cpp)
target_link_libraries(embedded_image PUBLIC firmware_core)

add_executable(make_standin_image tools/make_standin_image.cpp)

enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)
add_subdirectory(tests)
foreach(folder sim tests/sim bench)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${folder}/CMakeLists.txt)
    add_subdirectory(${folder})
  endif()
endforeach()

add_executable(draw_icon tools/draw_icon.cpp)

add_subdirectory(cli)
add_subdirectory(packaging)
