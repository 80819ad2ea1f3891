#pragma once
// The settings by the names people use and by the names the plug-in stores
// them under, with the values each takes.
//
// The store keeps the plug-in's parameter names (Radius for the brightness,
// Blend for the fade, ALTERNATIVEMODE for the mode); the tool accepts the
// names its own options use beside them, in any case, and checks a value
// against its range before anything is stored.

#include <string>

struct SettingName {
  const char* friendly;  // the tool's name; "" when there is none
  const char* stored;    // the parameter's name in the store (case as written)
  int index;             // HueloomParam
  bool text;             // a text, not a number
  int minimum;           // numbers only
  int maximum;
};

// The settings in the order of the parameters.
const SettingName* SettingNames(int* count);

// The setting called `name`: a friendly name in any case, or a stored name
// exactly as written; null when there is none.
const SettingName* FindSetting(const std::string& name);

// A value typed for `setting`: a whole number in its range (the mode also
// as normal, brightness or color), a text of at most 255 bytes.  False with
// a sentence naming the setting and the range in `*error`.
bool ParseSettingValue(const SettingName& setting, const std::string& typed, int* number, std::string* error);

// Whether a stored number lies in the range the tool accepts for it.
bool InRange(const SettingName& setting, int number);

// "brightness (Radius)", or the stored name alone when there is no other.
std::string DisplayName(const SettingName& setting);

// The mode by its name: normal 0, brightness 1, color 2; -1 otherwise.
int ModeByName(const std::string& name);
