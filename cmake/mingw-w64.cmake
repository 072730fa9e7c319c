# Windows x64 from Linux: Debian's MinGW-w64 with POSIX threads (the win32-thread
# variant has no std::thread). Programs are linked statically, so brelvik.exe
# needs only system DLLs and the simulator's SimConnect.dll. Test programs run
# under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${_prefix}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_prefix})
# wxWidgets for Windows lives in its own cache folder (scripts/build-wx-windows);
# its libraries are only found where the target's files may be searched.
if(DEFINED ENV{BRELVIK_WX_MSW})
  list(APPEND CMAKE_FIND_ROOT_PATH $ENV{BRELVIK_WX_MSW})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Debian 12 puts no wine64 on the PATH; the wine launcher picks the 64-bit loader.
find_program(BRELVIK_WINE NAMES wine wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(BRELVIK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${BRELVIK_WINE})
endif()
