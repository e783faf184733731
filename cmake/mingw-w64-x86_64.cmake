# 64-bit Windows (g++-mingw-w64-x86-64): the DLL for the 64-bit builds of the simulator.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TD_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
