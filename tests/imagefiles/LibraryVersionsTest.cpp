#include "imagefiles/LibraryVersions.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>

#include <jpeglib.h>
#include <openjpeg.h>
#include <png.h>
#include <tiffvers.h>
#include <zlib.h>

namespace {

std::string VersionOf(const std::string& name) {
  for (const LibraryVersion& library : LinkedLibraryVersions()) {
    if (library.name == name) return library.version;
  }
  return "(not listed)";
}

TEST(LibraryVersionsTest, ListsEveryLibraryWithANumericVersion) {
  const auto libraries = LinkedLibraryVersions();
  ASSERT_EQ(5u, libraries.size());
  const char* const names[] = {"libjpeg-turbo", "libpng", "libtiff", "OpenJPEG", "zlib"};
  for (std::size_t i = 0; i < libraries.size(); ++i) {
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(names[i], libraries[i].name);
    ASSERT_FALSE(libraries[i].version.empty());
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(libraries[i].version[0]))) << libraries[i].version;
  }
  // Decoders are written against the IJG 6b API.
  EXPECT_NE(std::string::npos, VersionOf("libjpeg-turbo").find("(libjpeg 6b)")) << VersionOf("libjpeg-turbo");
}

// The library that runs is the one whose headers the build compiled against:
// a mixed-up include or library path (for example the cross build picking up
// another copy) shows here.
TEST(LibraryVersionsTest, RunningLibrariesMatchTheirHeaders) {
  EXPECT_EQ(PNG_LIBPNG_VER_STRING, VersionOf("libpng"));
  EXPECT_EQ(ZLIB_VERSION, VersionOf("zlib"));
  EXPECT_EQ(std::to_string(OPJ_VERSION_MAJOR) + "." + std::to_string(OPJ_VERSION_MINOR) + "." +
                std::to_string(OPJ_VERSION_BUILD),
            VersionOf("OpenJPEG"));
  EXPECT_EQ(std::to_string(TIFFLIB_MAJOR_VERSION) + "." + std::to_string(TIFFLIB_MINOR_VERSION) + "." +
                std::to_string(TIFFLIB_MICRO_VERSION),
            VersionOf("libtiff"));
  // JPEG_LIB_VERSION 62 is the API level "6b"; the running level comes from
  // the library's message table.
  std::string api = std::to_string(JPEG_LIB_VERSION / 10);
  if (JPEG_LIB_VERSION % 10 != 0) api += static_cast<char>('a' + JPEG_LIB_VERSION % 10 - 1);
  EXPECT_NE(std::string::npos, VersionOf("libjpeg-turbo").find("(libjpeg " + api + ")"))
      << VersionOf("libjpeg-turbo");
}

}  // namespace
