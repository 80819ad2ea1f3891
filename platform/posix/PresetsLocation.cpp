#include "platform/PresetsLocation.h"

#include <cstdlib>

namespace platform {

std::string PresetsFolderFor(const std::string& moduleFolder) {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && *config != '\0') return std::string(config) + "/tintavo/presets/";
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return std::string(home) + "/.config/tintavo/presets/";
  // Without a configuration folder, beside the program as on Windows.
  return moduleFolder + "Presets/";
}

}  // namespace platform
