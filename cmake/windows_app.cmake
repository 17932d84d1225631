# update.exe: one self-contained GUI file that needs only Windows' own DLLs.
configure_file(res/firmware.rc.in ${CMAKE_BINARY_DIR}/firmware.rc @ONLY)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${CMAKE_BINARY_DIR} -I${CMAKE_SOURCE_DIR}/res -I${CMAKE_SOURCE_DIR}")
enable_language(RC)

add_executable(update WIN32
  app/winmain.cpp
  app/instance_guard_win.cpp
  app/mac_write_mode_win.cpp
  app/mac_write_text.cpp
  firmware/load_firmware_win.cpp
  ui/base_wnd.cpp
  ui/base_dialog.cpp
  ui/update_dialog.cpp
  ui/update_thread.cpp
  res/update.rc)
set_source_files_properties(res/update.rc PROPERTIES
  OBJECT_DEPENDS "${FIRMWARE_IMAGE};${CMAKE_SOURCE_DIR}/res/app.ico;${CMAKE_SOURCE_DIR}/res/resource.h")
# Operator texts are UTF-8 in the sources and code page 932 in the program;
# only the program's own sources (app/, ui/) hold them.
target_compile_options(update PRIVATE -finput-charset=UTF-8 -fexec-charset=CP932)
target_compile_definitions(update PRIVATE WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0501)
target_link_libraries(update PRIVATE discovery_core console_core firmware_core app_core net ws2_32 comctl32 ole32 -static -static-libgcc -static-libstdc++)
set_target_properties(update PROPERTIES OUTPUT_NAME update RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# Test tool for the Wine tests (which run the 64-bit build): reads the
# dialog's texts and control states from another process.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  add_executable(dialog_probe tests/wine/dialog_probe.cpp)
  target_link_libraries(dialog_probe PRIVATE -static -static-libgcc -static-libstdc++)
  set_target_properties(dialog_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endif()

# Benchmark tool: the console engine without the dialog, for the Wine row.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  add_executable(bench_engine_win bench/win_engine_driver.cpp firmware/load_firmware_win.cpp bench/win_engine.rc)
  set_source_files_properties(bench/win_engine.rc PROPERTIES OBJECT_DEPENDS "${FIRMWARE_IMAGE}")
  target_link_libraries(bench_engine_win PRIVATE console_core firmware_core net ws2_32 -static -static-libgcc -static-libstdc++)
  set_target_properties(bench_engine_win PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endif()

# The portable core's unit tests, for Wine.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  include(cmake/windows_unit_tests.cmake)
endif()

# tqm530r.exe, the command-line updater (console subsystem).
target_compile_definitions(net_adapters PRIVATE WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601)
add_subdirectory(cli)
