# 32-bit Windows (g++-mingw-w64-i686): the DLL for the 32-bit builds of the simulator.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TD_MINGW_TRIPLE i686-w64-mingw32)
# Doubles in SSE2 registers, as on x86-64, instead of the x87's 80-bit intermediates: the
# same arithmetic on both widths, so the 32-bit runs give the 64-bit runs' results.
# Microsoft's 32-bit code keeps the stack aligned to 4 bytes only, and the host and the
# system call into the module with such a stack: every function that needs more aligns its
# own frame instead of assuming 16 bytes.
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
