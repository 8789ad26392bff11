# Cross build of the 32-bit Windows DLL with MinGW-w64. The "-posix" compilers are the ones
# whose C++ library has std::thread and std::mutex (the default "win32" thread model lacks
# them); their run time is linked statically so the DLL needs only Windows' own DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(TARNO_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TARNO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARNO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TARNO_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARNO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Lets ctest run the Windows test programs on this machine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
