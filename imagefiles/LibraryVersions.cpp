#include "imagefiles/LibraryVersions.h"

#include <cstdio>  // before jpeglib.h, which uses FILE and size_t

#include <jpeglib.h>
#include <jerror.h>  // after jpeglib.h: the message codes
#include <openjpeg.h>
#include <png.h>
#include <tiffio.h>
#include <zlib.h>

namespace {

#define TINTAVO_STRINGIZE_(x) #x
#define TINTAVO_STRINGIZE(x) TINTAVO_STRINGIZE_(x)

// The release of libjpeg-turbo and, from the library's own message table, the
// libjpeg API level it emulates ("6b").
std::string JpegVersion() {
  jpeg_error_mgr errors;
  jpeg_std_error(&errors);
  std::string api = errors.jpeg_message_table[JMSG_VERSION];  // "6b  27-Mar-1998"
  api = api.substr(0, api.find(' '));
#ifdef LIBJPEG_TURBO_VERSION
  return TINTAVO_STRINGIZE(LIBJPEG_TURBO_VERSION) " (libjpeg " + api + ")";
#else
  return "libjpeg " + api;
#endif
}

// libtiff answers "LIBTIFF, Version 4.5.0" and copyright lines.
std::string TiffVersion() {
  std::string text = TIFFGetVersion();
  text = text.substr(0, text.find('\n'));
  const std::string marker = "Version ";
  const std::size_t at = text.find(marker);
  return at == std::string::npos ? text : text.substr(at + marker.size());
}

}  // namespace

std::vector<LibraryVersion> LinkedLibraryVersions() {
  return {
      {"libjpeg-turbo", JpegVersion()},
      {"libpng", png_get_libpng_ver(nullptr)},
      {"libtiff", TiffVersion()},
      {"OpenJPEG", opj_version()},
      {"zlib", zlibVersion()},
  };
}
