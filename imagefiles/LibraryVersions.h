#pragma once
// The versions of the picture libraries this build is linked with, for
// `tintavo --version` and bug reports.  Each text is asked from the library at
// run time, so it names the code that actually runs, not the headers the build
// saw; only libjpeg-turbo's own release number has no run-time query and comes
// from its configuration header.

#include <string>
#include <vector>

struct LibraryVersion {
  std::string name;     // "libjpeg-turbo", "libpng", "libtiff", "OpenJPEG", "zlib"
  std::string version;  // for example "1.6.39"
};

// In a fixed order: libjpeg-turbo, libpng, libtiff, OpenJPEG, zlib.
std::vector<LibraryVersion> LinkedLibraryVersions();
