#pragma once
// The plug-in built next to the test programs (bin/Tintavo.8bf on Windows,
// bin/Tintavo.so elsewhere), loaded as a host loads it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "host/FilterRecord.h"
#include "platform/DynamicLibrary.h"
#include "platform/Module.h"

inline std::string BuiltPluginPath() {
#if defined(_WIN32)
  const char* name = "Tintavo.8bf";
#else
  const char* name = "Tintavo.so";
#endif
  return platform::FolderOf(platform::ExecutablePath()) + name;
}

// Loads the built plug-in and finds its entry point; the plug-in's boxes go
// to stderr instead of waiting for a click.  Use with ASSERT_NO_FATAL_FAILURE.
inline void LoadBuiltPlugin(platform::DynamicLibrary* library, EntryPointProc* entry) {
#if defined(_WIN32)
  _putenv("TINTAVO_HEADLESS=1");
#else
  setenv("TINTAVO_HEADLESS", "1", 1);
#endif
  ASSERT_TRUE(library->Load(BuiltPluginPath())) << library->Error();
  *entry = reinterpret_cast<EntryPointProc>(library->Symbol("ENTRYPOINT"));
  ASSERT_NE(nullptr, *entry);
}
