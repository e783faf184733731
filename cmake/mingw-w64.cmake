# Cross build for Windows with Debian's MinGW-w64, shared by the 64-bit and the 32-bit
# toolchain files, which set TD_MINGW_TRIPLE and CMAKE_SYSTEM_PROCESSOR first. The posix
# threads variant: the stand-in host runs a watchdog thread beside the simulation.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${TD_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TD_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TD_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${TD_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${TD_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${TD_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ runtime, libgcc and winpthread linked in: the plug-in, the terrain library and the
# program each stand alone, with nothing to copy beside them in a simulator installation.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
