#pragma once
// ImageMagick's "convert" as the reference decoder and file maker of the
// picture tests.  Only natively: under Wine, "convert" is Windows' own disk
// tool, and the tests that need ImageMagick skip.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace imagemagick {

#ifdef _WIN32
constexpr bool kNativeTools = false;
#else
constexpr bool kNativeTools = true;
#endif

inline bool Available() {
  static const bool have = kNativeTools && std::system("convert -version > /dev/null 2>&1") == 0;
  return have;
}

// The standard output of a shell command, in binary (nothing on Windows).
inline std::vector<std::uint8_t> CommandOutput(const std::string& command) {
  std::vector<std::uint8_t> out;
#ifndef _WIN32
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  std::uint8_t buffer[65536];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.insert(out.end(), buffer, buffer + n);
  pclose(pipe);
#else
  (void)command;
#endif
  return out;
}

}  // namespace imagemagick
