# The 32-bit test vehicle: the foundation, network and cryptography suites and the end-to-end
# runs of the product, built with the posix threading model (GoogleTest needs std::mutex) and
# executed under 32-bit Wine. The product itself comes from the i686 tree beside this one.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)
set(TORNQUILL_SUBSYSTEM "-Wl,--subsystem,windows")
set(TORNQUILL_BUILD_TESTS ON)
set(TORNQUILL_TEST_AREAS memory text net crypt product support e2e)
