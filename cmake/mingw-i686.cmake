# The product: 32-bit, win32 threading model, loadable by Windows XP.
set(TORNQUILL_MINGW_PROCESSOR i686)
set(TORNQUILL_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(TORNQUILL_SUBSYSTEM "-Wl,--subsystem,windows:5.01")
set(TORNQUILL_BUILD_TESTS OFF)
