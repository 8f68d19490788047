# The Windows build: the mingw-w64 compilers, chained through the toolchain file of the
# static Qt in the Windows prefix (it adds Qt and the prefix to the cross root path).
# The prefix is ../shared/windows beside the source tree unless VERID_WINDOWS_PREFIX (a
# cache or environment variable) names another; README says how to make one.
if(NOT VERID_WINDOWS_PREFIX)
  if(DEFINED ENV{VERID_WINDOWS_PREFIX} AND NOT "$ENV{VERID_WINDOWS_PREFIX}" STREQUAL "")
    set(VERID_WINDOWS_PREFIX "$ENV{VERID_WINDOWS_PREFIX}")
  else()
    get_filename_component(VERID_WINDOWS_PREFIX "${CMAKE_CURRENT_LIST_DIR}/../../shared/windows"
                           ABSOLUTE)
  endif()
endif()
set(VERID_WINDOWS_PREFIX "${VERID_WINDOWS_PREFIX}" CACHE PATH
    "Static Qt (qt6/) and codecs (deps/) for Windows")
# try_compile projects include this file again and need the same prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VERID_WINDOWS_PREFIX)

set(qt_toolchain "${VERID_WINDOWS_PREFIX}/qt6/lib/cmake/Qt6/qt.toolchain.cmake")
if(NOT EXISTS "${qt_toolchain}")
  message(FATAL_ERROR "No static Qt for Windows at ${VERID_WINDOWS_PREFIX}/qt6 "
                      "(set VERID_WINDOWS_PREFIX; README says how to build one)")
endif()
set(QT_CHAINLOAD_TOOLCHAIN_FILE "${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake")
include("${qt_toolchain}")
list(PREPEND CMAKE_FIND_ROOT_PATH "${VERID_WINDOWS_PREFIX}/deps")
