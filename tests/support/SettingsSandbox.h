#pragma once
// Keeps a test's settings apart from the user's: on POSIX the settings store
// moves into a temporary folder; on Windows (the real registry, under Wine in
// the tests) the test uses a key of its own below Software\Velmora, removed
// afterwards.

#include <cstdlib>
#include <string>

#include "commands/ParamSet.h"
#include "platform/Registry.h"
#include "tests/support/TempDir.h"

class SettingsSandbox {
 public:
  SettingsSandbox() {
#if defined(_WIN32)
    m_key = "TintavoTest" + std::to_string(std::rand());
#else
    const char* old = std::getenv("XDG_CONFIG_HOME");
    m_hadOld = old != nullptr;
    if (m_hadOld) m_old = old;
    setenv("XDG_CONFIG_HOME", m_dir.Path().string().c_str(), 1);
    m_key = "Hueloom";
#endif
  }
  ~SettingsSandbox() {
#if defined(_WIN32)
    platform::DeleteCurrentUserKey(kSettingsKey, m_key);
#else
    if (m_hadOld) {
      setenv("XDG_CONFIG_HOME", m_old.c_str(), 1);
    } else {
      unsetenv("XDG_CONFIG_HOME");
    }
#endif
  }
  SettingsSandbox(const SettingsSandbox&) = delete;
  SettingsSandbox& operator=(const SettingsSandbox&) = delete;

  // The name of the set (the registry subkey) a test should use.
  const std::string& Key() const { return m_key; }
  const TempDir& Dir() const { return m_dir; }

 private:
  TempDir m_dir;
  std::string m_key;
  std::string m_old;
  bool m_hadOld = false;
};
