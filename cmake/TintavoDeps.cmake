# The picture libraries as targets the project links:
#
#   tintavo::jpeg     libjpeg-turbo, IJG 6b API
#   tintavo::png      libpng (brings tintavo::zlib)
#   tintavo::tiff     libtiff (brings tintavo::jpeg and tintavo::zlib)
#   tintavo::openjp2  OpenJPEG
#   tintavo::zlib     zlib
#
# Natively these are Debian's -dev packages (shared libraries).  The cross
# builds (mingw-w64, and i386 Linux for the core under emulation) link static
# archives that scripts/build-deps makes from Debian's source packages in a
# cache prefix outside the repository; the dependencies
# between the targets give the linker the order a static link needs: tiff,
# openjp2, png, jpeg, z.

# ---------------------------------------------------------------------------
# Native: Debian's packages.

function(_tintavo_native_deps)
  find_package(ZLIB REQUIRED)
  find_package(JPEG REQUIRED)
  find_package(PNG REQUIRED)
  find_package(TIFF REQUIRED)
  # Debian's OpenJPEG package ships no usable CMake package file without its
  # tools; pkg-config describes it.
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(TINTAVO_OPENJP2 REQUIRED IMPORTED_TARGET GLOBAL libopenjp2)

  add_library(tintavo::zlib INTERFACE IMPORTED GLOBAL)
  target_link_libraries(tintavo::zlib INTERFACE ZLIB::ZLIB)
  add_library(tintavo::jpeg INTERFACE IMPORTED GLOBAL)
  target_link_libraries(tintavo::jpeg INTERFACE JPEG::JPEG)
  add_library(tintavo::png INTERFACE IMPORTED GLOBAL)
  target_link_libraries(tintavo::png INTERFACE PNG::PNG tintavo::zlib)
  add_library(tintavo::tiff INTERFACE IMPORTED GLOBAL)
  target_link_libraries(tintavo::tiff INTERFACE TIFF::TIFF)
  add_library(tintavo::openjp2 INTERFACE IMPORTED GLOBAL)
  target_link_libraries(tintavo::openjp2 INTERFACE PkgConfig::TINTAVO_OPENJP2)
endfunction()

# ---------------------------------------------------------------------------
# Cross builds: the static prefix of scripts/build-deps.

function(_tintavo_static_library name file)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR
      "The picture libraries are missing: ${file} does not exist.\n"
      "Build them once with\n"
      "    scripts/build-deps ${TINTAVO_DEPS_TRIPLE}\n"
      "(it makes the cache prefix ${TINTAVO_DEPS_PREFIX} from Debian's source "
      "packages), then configure again.")
  endif()
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${file})
endfunction()

function(_tintavo_static_deps zlib_archive)
  set(prefix ${TINTAVO_DEPS_PREFIX})
  if(NOT EXISTS ${prefix}/tintavo-deps.stamp)
    message(FATAL_ERROR
      "The picture libraries for ${TINTAVO_DEPS_TRIPLE} are not built: "
      "${prefix} holds no finished build.\n"
      "Run\n"
      "    scripts/build-deps\n"
      "once (it builds libjpeg-turbo, libpng, libtiff and OpenJPEG from Debian's "
      "source packages into that cache prefix; later runs return at once), then "
      "configure again.")
  endif()

  _tintavo_static_library(tintavo::zlib ${zlib_archive})

  _tintavo_static_library(tintavo::jpeg ${prefix}/lib/libjpeg.a)
  set_target_properties(tintavo::jpeg PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${prefix}/include)

  _tintavo_static_library(tintavo::png ${prefix}/lib/libpng16.a)
  set_target_properties(tintavo::png PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${prefix}/include
    INTERFACE_LINK_LIBRARIES tintavo::zlib)

  _tintavo_static_library(tintavo::tiff ${prefix}/lib/libtiff.a)
  set_target_properties(tintavo::tiff PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${prefix}/include
    INTERFACE_LINK_LIBRARIES "tintavo::jpeg;tintavo::zlib")

  # openjpeg.h declares its functions dllimport unless OPJ_STATIC is defined.
  _tintavo_static_library(tintavo::openjp2 ${prefix}/lib/libopenjp2.a)
  file(GLOB opj_include LIST_DIRECTORIES true ${prefix}/include/openjpeg-*)
  if(NOT opj_include)
    message(FATAL_ERROR "No openjpeg-* header folder in ${prefix}/include: run scripts/build-deps --force")
  endif()
  list(GET opj_include 0 opj_include)
  set_target_properties(tintavo::openjp2 PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${opj_include}
    INTERFACE_COMPILE_DEFINITIONS OPJ_STATIC)
endfunction()

# ---------------------------------------------------------------------------

if(CMAKE_CROSSCOMPILING AND TINTAVO_DEPS_TRIPLE)
  if(DEFINED ENV{TINTAVO_DEPS_DIR} AND NOT "$ENV{TINTAVO_DEPS_DIR}" STREQUAL "")
    set(_tintavo_deps_dir $ENV{TINTAVO_DEPS_DIR})
  else()
    set(_tintavo_deps_dir $ENV{HOME}/.cache/tintavo/deps)
  endif()
  set(TINTAVO_DEPS_PREFIX ${_tintavo_deps_dir}/${TINTAVO_DEPS_TRIPLE} CACHE PATH
      "Prefix holding the static picture libraries made by scripts/build-deps")
  unset(_tintavo_deps_dir)
  if(TINTAVO_MINGW_TRIPLE)
    # The static archive, not libz.dll.a: the binaries import only system DLLs.
    _tintavo_static_deps(/usr/${TINTAVO_MINGW_TRIPLE}/lib/libz.a)
  else()
    # The multilib zlib of lib32z1-dev.
    _tintavo_static_deps(/usr/lib32/libz.a)
  endif()
elseif(CMAKE_CROSSCOMPILING)
  message(FATAL_ERROR "TintavoDeps: no dependency build for this cross compiler")
else()
  _tintavo_native_deps()
endif()
