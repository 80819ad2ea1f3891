# 32-bit x86 Linux with the host's multilib compiler: the portable core built
# with the 32-bit product's arithmetic (SSE2, no x87), its tests run under
# user-mode emulation, so that this machine can check the i386 bytes even when
# its kernel cannot execute 32-bit programs.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TINTAVO_DEPS_TRIPLE i686-linux-gnu)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_ASM_NASM_OBJECT_FORMAT elf32)

# Libraries and headers only from the dependency prefix (and the multilib
# zlib, named explicitly), never the host's 64-bit ones.
set(CMAKE_FIND_ROOT_PATH $ENV{HOME}/.cache/tintavo/deps/i686-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386)
