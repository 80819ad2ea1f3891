# GoogleTest is built from the sources Debian's googletest package installs, with
# the same compiler and flags as the project, so the native, sanitizer and
# mingw-w64 builds all get a matching copy.
include(GoogleTest)

set(TINTAVO_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${TINTAVO_GTEST_SOURCE_DIR}/googletest/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${TINTAVO_GTEST_SOURCE_DIR}: install googletest")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${TINTAVO_GTEST_SOURCE_DIR}/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GoogleTest's own warnings are not ours to fix.
target_compile_options(gtest PRIVATE -w)
target_compile_options(gtest_main PRIVATE -w)
add_library(tintavo_gtest_main ALIAS gtest_main)
