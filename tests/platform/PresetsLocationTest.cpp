#include "platform/PresetsLocation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

#if !defined(_WIN32)

// Sets the variables of one case and puts the old values back afterwards.
class Environment {
 public:
  Environment(const char* config, const char* home) {
    Keep("XDG_CONFIG_HOME", &m_config, &m_hadConfig);
    Keep("HOME", &m_home, &m_hadHome);
    Set("XDG_CONFIG_HOME", config);
    Set("HOME", home);
  }
  ~Environment() {
    Set("XDG_CONFIG_HOME", m_hadConfig ? m_config.c_str() : nullptr);
    Set("HOME", m_hadHome ? m_home.c_str() : nullptr);
  }
  Environment(const Environment&) = delete;
  Environment& operator=(const Environment&) = delete;

 private:
  static void Keep(const char* name, std::string* value, bool* had) {
    const char* v = std::getenv(name);
    *had = v != nullptr;
    if (*had) *value = v;
  }
  static void Set(const char* name, const char* value) {
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  std::string m_config, m_home;
  bool m_hadConfig = false, m_hadHome = false;
};

TEST(PresetsLocationTest, PresetsLiveInTheConfigurationFolder) {
  struct Case {
    const char* config;  // XDG_CONFIG_HOME, nullptr: not set
    const char* home;
    const char* expected;
  };
  const Case cases[] = {
      {"/cfg", "/home/ann", "/cfg/tintavo/presets/"},
      {nullptr, "/home/ann", "/home/ann/.config/tintavo/presets/"},
      {"", "/home/ann", "/home/ann/.config/tintavo/presets/"},  // empty counts as not set
      {nullptr, nullptr, "/opt/tintavo/Presets/"},              // nowhere else: beside the program
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    Environment environment(c.config, c.home);
    EXPECT_EQ(c.expected, platform::PresetsFolderFor("/opt/tintavo/"));
  }
}

#else

TEST(PresetsLocationTest, PresetsLiveBesideThePlugIn) {
  EXPECT_EQ("C:\\Plug-ins\\Presets\\", platform::PresetsFolderFor("C:\\Plug-ins\\"));
}

#endif

}  // namespace
