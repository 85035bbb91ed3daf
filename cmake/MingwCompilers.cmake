# The compilers and target root of one MinGW-w64 triple, QLX_MINGW_TRIPLE, for the toolchain file
# that includes this. Thread model: the programs we ship take "win32", whose runtime binds no
# thread library, while the posix model's (winpthreads, pulled in by the exception runtime) imports
# functions that Windows 2000, XP and Server 2003 lack, so their loader would refuse the program.
# The Win32 tests take "posix" for std::thread and std::mutex, which GCC 12's win32 model lacks.
if(NOT QLX_MINGW_THREADS)
    set(QLX_MINGW_THREADS win32)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QLX_MINGW_THREADS)
set(CMAKE_C_COMPILER ${QLX_MINGW_TRIPLE}-gcc-${QLX_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${QLX_MINGW_TRIPLE}-g++-${QLX_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${QLX_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QLX_MINGW_TRIPLE})
