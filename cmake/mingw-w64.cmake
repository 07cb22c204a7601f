# CMake toolchain file for Windows builds with Debian's mingw-w64 cross
# compilers (the -posix thread model variants).
#
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DQCX_MINGW_ARCH=x86_64 \
#         -DQCX_WINDOWS_DEPS=/path/to/prefix ...
#
# QCX_MINGW_ARCH   i686 (default) or x86_64; the target triplet is
#                  ${QCX_MINGW_ARCH}-w64-mingw32.
# QCX_WINDOWS_DEPS optional list of install prefixes (as made by
#                  scripts/build-windows-deps) searched for libraries and
#                  headers next to the toolchain's own /usr/<triplet>.
# Both may also come from environment variables of the same names.

if(NOT DEFINED QCX_MINGW_ARCH AND DEFINED ENV{QCX_MINGW_ARCH})
  set(QCX_MINGW_ARCH "$ENV{QCX_MINGW_ARCH}")
endif()
set(QCX_MINGW_ARCH "i686" CACHE STRING "mingw-w64 target architecture: i686 or x86_64")
set_property(CACHE QCX_MINGW_ARCH PROPERTY STRINGS i686 x86_64)

if(NOT DEFINED QCX_WINDOWS_DEPS AND DEFINED ENV{QCX_WINDOWS_DEPS})
  set(QCX_WINDOWS_DEPS "$ENV{QCX_WINDOWS_DEPS}")
endif()
set(QCX_WINDOWS_DEPS "${QCX_WINDOWS_DEPS}" CACHE STRING "Install prefixes of Windows dependencies")

# try_compile() projects read this file again: hand them the same choices.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QCX_MINGW_ARCH QCX_WINDOWS_DEPS)

if(QCX_MINGW_ARCH STREQUAL "i686")
  set(CMAKE_SYSTEM_PROCESSOR x86)
elseif(QCX_MINGW_ARCH STREQUAL "x86_64")
  set(CMAKE_SYSTEM_PROCESSOR AMD64)
else()
  message(FATAL_ERROR "QCX_MINGW_ARCH must be i686 or x86_64, not '${QCX_MINGW_ARCH}'")
endif()

set(QCX_MINGW_TRIPLET "${QCX_MINGW_ARCH}-w64-mingw32")
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER "${QCX_MINGW_TRIPLET}-gcc-posix")
set(CMAKE_CXX_COMPILER "${QCX_MINGW_TRIPLET}-g++-posix")
set(CMAKE_RC_COMPILER "${QCX_MINGW_TRIPLET}-windres")

set(CMAKE_FIND_ROOT_PATH "/usr/${QCX_MINGW_TRIPLET}")
foreach(_qcx_prefix IN LISTS QCX_WINDOWS_DEPS)
  list(APPEND CMAKE_FIND_ROOT_PATH "${_qcx_prefix}")
endforeach()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config looks at the Windows .pc files only, never at the host's.
if(NOT DEFINED ENV{PKG_CONFIG_LIBDIR})
  set(_qcx_pc_dirs "")
  foreach(_qcx_root IN LISTS CMAKE_FIND_ROOT_PATH)
    list(APPEND _qcx_pc_dirs "${_qcx_root}/lib/pkgconfig" "${_qcx_root}/share/pkgconfig")
  endforeach()
  string(REPLACE ";" ":" _qcx_pc_dirs "${_qcx_pc_dirs}")
  set(ENV{PKG_CONFIG_LIBDIR} "${_qcx_pc_dirs}")
endif()
