# The Windows build's tests: the C-API suites, through qcxapi.h and the DLL
# against the simulated cameras, and the checks of the Windows platform
# layer. They run under Wine (scripts/test-windows sets the emulator); the
# tests of the library's inside stay with the Linux build.
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
include(GoogleTest)

set(QCX_WINDOWS_COMPAT ${CMAKE_CURRENT_SOURCE_DIR}/support/windows_compat.h)

# Each program runs as one test: under Wine a process start costs far more
# than a test case, and the named mutexes that claim cameras are shared by
# every process of the Wine prefix, so the programs run one at a time.
function(qcx_add_windows_test target)
  add_executable(${target} ${ARGN} ${CMAKE_CURRENT_SOURCE_DIR}/test_main.cpp)
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_options(${target} PRIVATE -include ${QCX_WINDOWS_COMPAT})
  target_link_libraries(${target} PRIVATE qcxapi gtest gmock)
  target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  add_test(NAME ${target} COMMAND ${target} --gtest_brief=1)
  set_tests_properties(${target} PROPERTIES RUN_SERIAL ON TIMEOUT 900
    WORKING_DIRECTORY $<TARGET_FILE_DIR:qcxapi>)
endfunction()

# Recording has its own Windows test: the suite of the Linux build reads its
# files with ffprobe and expects FFmpeg's codecs.
file(GLOB e2e_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/e2e/*_test.cpp)
list(FILTER e2e_sources EXCLUDE REGEX "recording_e2e_test")
qcx_add_windows_test(test_e2e ${e2e_sources})
file(GLOB windows_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/windows/*_test.cpp)
if(windows_sources)
  qcx_add_windows_test(test_windows ${windows_sources})
  target_link_libraries(test_windows PRIVATE vfw32 gdi32 user32 advapi32)
endif()

# The public header compiles as strict C99 and links against the DLL's
# import library.
foreach(program header_c99 every_export_c99)
  add_executable(${program} ${CMAKE_CURRENT_SOURCE_DIR}/header/${program}.c)
  set_target_properties(${program} PROPERTIES C_STANDARD 99 C_STANDARD_REQUIRED ON C_EXTENSIONS OFF)
  target_compile_options(${program} PRIVATE -Wall -Wextra -Werror -pedantic)
  target_link_libraries(${program} PRIVATE qcxapi)
  target_link_options(${program} PRIVATE -static -static-libgcc)
endforeach()
add_test(NAME header.every_export_links_and_returns COMMAND every_export_c99 run)
set_tests_properties(header.every_export_links_and_returns PROPERTIES RUN_SERIAL ON
  ENVIRONMENT "QCX_SIM=" WORKING_DIRECTORY $<TARGET_FILE_DIR:qcxapi>)

# The test driver, a kernel driver that Wine loads as a service: the nodes
# \\.\zelvicam-0 and -1 for the driver-node tests of test_windows.
add_library(zelvicam_test MODULE ${CMAKE_CURRENT_SOURCE_DIR}/windows/driver/zelvicam_test_driver.c)
target_include_directories(zelvicam_test SYSTEM PRIVATE /usr/${QCX_MINGW_TRIPLET}/include/ddk)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(QCX_DRIVER_ENTRY _DriverEntry@8)
else()
  set(QCX_DRIVER_ENTRY DriverEntry)
endif()
target_link_options(zelvicam_test PRIVATE -nostdlib -Wl,--subsystem,native -Wl,--entry,${QCX_DRIVER_ENTRY})
target_link_libraries(zelvicam_test PRIVATE ntoskrnl hal)
set_target_properties(zelvicam_test PROPERTIES PREFIX "" SUFFIX .sys
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
if(TARGET test_windows)
  add_dependencies(test_windows zelvicam_test)
endif()
