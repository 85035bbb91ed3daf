# Cross build for 64-bit Windows; the result runs here under wine64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
# Thread model of the compilers. The programs we ship take "win32": its runtime binds no thread
# library, while the posix model's (winpthreads, pulled in by the exception runtime) imports
# functions that Windows 2000, XP and Server 2003 lack, so their loader would refuse the program.
# The Win32 tests take "posix" for std::thread and std::mutex, which GCC 12's win32 model lacks.
if(NOT QLX_MINGW_THREADS)
    set(QLX_MINGW_THREADS win32)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QLX_MINGW_THREADS)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-${QLX_MINGW_THREADS})
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-${QLX_MINGW_THREADS})
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
