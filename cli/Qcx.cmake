# qcx, the command-line tool. It uses only the public headers and the
# library's exports; its options are parsed with CLI11 (header-only, Debian's
# libcli11-dev).
find_path(QCX_CLI11_INCLUDE CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
if(NOT QCX_CLI11_INCLUDE)
  message(FATAL_ERROR "qcx needs CLI11 (Debian: libcli11-dev)")
endif()
# A folder that holds only CLI11, so that a cross build does not search the
# host's other headers.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/cli11)
file(CREATE_LINK ${QCX_CLI11_INCLUDE}/CLI ${CMAKE_BINARY_DIR}/cli11/CLI SYMBOLIC)

add_executable(qcx
  cli/qcx_main.cpp
  cli/command_support.cpp
  cli/camera_facts.cpp
  cli/image_files.cpp
  cli/json_writer.cpp
  cli/progress_line.cpp
  cli/usb_location.cpp
  cli/list_info_commands.cpp
  cli/camera_settings.cpp
  cli/capture_command.cpp
  cli/preview_command.cpp
  cli/register_commands.cpp
  cli/io_line_commands.cpp
  cli/colour_log_commands.cpp)
target_include_directories(qcx PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_include_directories(qcx SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/cli11)
target_link_libraries(qcx PRIVATE qcxapi)
if(QCX_WITH_USB)
  target_link_libraries(qcx PRIVATE PkgConfig::LIBUSB)
  target_compile_definitions(qcx PRIVATE QCX_WITH_USB=1)
endif()
if(QCX_WITH_X11)
  target_sources(qcx PRIVATE cli/preview_window_x11.cpp)
  target_link_libraries(qcx PRIVATE X11::X11)
elseif(WIN32)
  target_sources(qcx PRIVATE cli/preview_window_win32.cpp)
else()
  target_sources(qcx PRIVATE cli/preview_window_none.cpp)
endif()
if(WIN32)  # one file beside QCXApi.dll, no runtime DLLs
  target_link_options(qcx PRIVATE -static -static-libgcc -static-libstdc++)
endif()
