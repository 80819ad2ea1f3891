# Shared part of the mingw-w64 toolchains; TINTAVO_MINGW_TRIPLE is set first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${TINTAVO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TINTAVO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TINTAVO_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TINTAVO_MINGW_TRIPLE} $ENV{HOME}/.cache/tintavo/deps/${TINTAVO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The binaries import only system DLLs: libgcc, libstdc++ and winpthread are
# linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests run under Wine through a wrapper that keeps one prefix per build tree.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../wine-run)
