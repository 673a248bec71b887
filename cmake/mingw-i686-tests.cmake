# The 32-bit test vehicle: the foundation, network and cryptography suites and the end-to-end
# runs of the product, built with the posix threading model (GoogleTest needs std::mutex) and
# executed under 32-bit Wine. The product itself comes from the i686 tree beside this one.
set(TORNQUILL_MINGW_PROCESSOR i686)
set(TORNQUILL_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)
set(TORNQUILL_SUBSYSTEM "-Wl,--subsystem,windows")
set(TORNQUILL_BUILD_TESTS ON)
set(TORNQUILL_TEST_AREAS memory text net crypt product support e2e)
