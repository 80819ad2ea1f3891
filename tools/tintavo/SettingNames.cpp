#include "tools/tintavo/SettingNames.h"

#include "commands/HueloomParams.h"
#include "imagefiles/FileType.h"
#include "tools/tintavo/Cli.h"

namespace {

constexpr std::size_t kMaxText = 255;  // what the store reads back

const SettingName kNames[] = {
    {"brightness", "Radius", keParamRadius, false, -100, 100},
    {"color", "Color", keParamColor, false, -100, 100},
    {"fade", "Blend", keParamBlend, false, 0, 100},
    {"template", "Filename", keParamFilename, true, 0, 0},
    {"folder", "Path", keParamPath, true, 0, 0},
    {"mode", "ALTERNATIVEMODE", keParamAlternativeMode, false, 0, 2},
    {"", "ImageSelected", keParamImageSelected, false, -1, 1000},
};

}  // namespace

const SettingName* SettingNames(int* count) {
  *count = static_cast<int>(sizeof kNames / sizeof kNames[0]);
  return kNames;
}

const SettingName* FindSetting(const std::string& name) {
  for (const SettingName& s : kNames) {
    if (name == s.stored || (s.friendly[0] != '\0' && LowerCaseAscii(name) == s.friendly)) return &s;
  }
  return nullptr;
}

int ModeByName(const std::string& name) {
  const std::string lower = LowerCaseAscii(name);
  if (lower == "normal") return 0;
  if (lower == "brightness") return 1;
  if (lower == "color" || lower == "colour") return 2;
  return -1;
}

bool InRange(const SettingName& setting, int number) {
  // The plug-in stores mode 3 at its first start and runs it as normal.
  if (setting.index == keParamAlternativeMode && number == 3) return true;
  return setting.text || (number >= setting.minimum && number <= setting.maximum);
}

std::string DisplayName(const SettingName& setting) {
  if (setting.friendly[0] == '\0') return setting.stored;
  return std::string(setting.friendly) + " (" + setting.stored + ")";
}

bool ParseSettingValue(const SettingName& setting, const std::string& typed, int* number, std::string* error) {
  if (setting.text) {
    if (typed.size() > kMaxText) {
      *error = DisplayName(setting) + " takes at most " + std::to_string(kMaxText) + " bytes";
      return false;
    }
    return true;
  }
  if (setting.index == keParamAlternativeMode) {
    const int mode = ModeByName(typed);
    if (mode >= 0) {
      *number = mode;
      return true;
    }
  }
  if (ParseInteger(typed, setting.minimum, setting.maximum, number)) return true;
  *error = DisplayName(setting) + " takes a whole number from " + std::to_string(setting.minimum) + " to " +
           std::to_string(setting.maximum) +
           (setting.index == keParamAlternativeMode ? " (or normal, brightness, color)" : "") + ", not '" + typed +
           "'";
  return false;
}
