#include "platform/PresetsLocation.h"

namespace platform {

std::string PresetsFolderFor(const std::string& moduleFolder) { return moduleFolder + "Presets\\"; }

}  // namespace platform
