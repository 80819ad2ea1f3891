#pragma once
// The plug-in built next to the test programs: bin/Tintavo.8bf on Windows,
// bin/Tintavo.so elsewhere.

#include <string>

#include "platform/Module.h"

inline std::string BuiltPluginPath() {
#if defined(_WIN32)
  const char* name = "Tintavo.8bf";
#else
  const char* name = "Tintavo.so";
#endif
  return platform::FolderOf(platform::ExecutablePath()) + name;
}
