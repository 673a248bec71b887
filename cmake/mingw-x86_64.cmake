# The test vehicle: 64-bit, posix threading model (GoogleTest needs std::mutex),
# executed under 64-bit Wine.
set(TORNQUILL_MINGW_PROCESSOR x86_64)
set(TORNQUILL_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)
set(TORNQUILL_SUBSYSTEM "-Wl,--subsystem,windows")
set(TORNQUILL_BUILD_TESTS ON)
