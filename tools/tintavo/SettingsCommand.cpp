// tintavo settings: the stored Hueloom parameters the plug-in starts from.

#include <cstdio>
#include <map>

#include "commands/HueloomParams.h"
#include "commands/ParamSet.h"
#include "platform/Registry.h"
#include "tools/tintavo/Cli.h"
#include "tools/tintavo/SettingNames.h"
#include "tools/tintavo/SettingsListing.h"

namespace {

const char kHelp[] =
    "Usage: tintavo settings show\n"
    "       tintavo settings set NAME VALUE\n"
    "       tintavo settings reset\n"
    "\n"
    "The settings the plug-in keeps between runs (on Windows in the registry\n"
    "under HKEY_CURRENT_USER\\Software\\Velmora\\Hueloom; elsewhere in\n"
    "$XDG_CONFIG_HOME/tintavo/registry.txt).  NAME is the tool's name in any\n"
    "case or the stored name as written:\n"
    "\n"
    "  brightness  Radius            -100 to 100\n"
    "  color       Color             -100 to 100 (colour intensity)\n"
    "  fade        Blend             0 to 100\n"
    "  mode        ALTERNATIVEMODE   normal, brightness, color (or 0, 1, 2)\n"
    "  template    Filename          the template picture\n"
    "  folder      Path              the template browser's folder\n"
    "              ImageSelected     -1 to 1000\n"
    "\n"
    "A negative VALUE needs no '--' (tintavo settings set color -30).  'show'\n"
    "lists both names; 'reset' removes the settings, so the plug-in starts\n"
    "from its initial values.  A store that cannot be read or written is\n"
    "reported with the reason (exit code 1).\n";

const char kSet[] = "Hueloom";

}  // namespace

int RunSettings(const std::vector<std::string>& args) {
  CommandLine line;
  std::string error;
  if (!ParseCommandLine(args, {}, &line, &error)) return UsageError("settings", error);
  if (line.help || line.positional.empty()) {
    std::fputs(kHelp, line.help ? stdout : stderr);
    return line.help ? kExitOk : kExitUsage;
  }
  const std::string& action = line.positional[0];
  CParamSet params;
  params.SetName(kSet);
  BuildHueloomParams(&params);

  if (action == "show" && line.positional.size() == 1) {
    // Every stored value: the plug-in's load stops at the first missing
    // value, but a listing shows everything that is stored.
    std::map<int, StoredValue> found;
    if (params.LoadStoredValues(&error, &found) != 0) return Fail("the stored settings cannot be read: " + error);
    PrintSettings(params, &found);
    return kExitOk;
  }
  if (action == "set" && line.positional.size() == 3) {
    const SettingName* setting = FindSetting(line.positional[1]);
    CParam* param = setting != nullptr ? params.GetByIndex(setting->index) : nullptr;
    if (param == nullptr) {
      return UsageError("settings", "no setting is named '" + line.positional[1] +
                                        "' (try brightness, color, fade, mode, template, folder)");
    }
    const std::string& value = line.positional[2];
    int number = 0;
    if (!ParseSettingValue(*setting, value, &number, &error)) return UsageError("settings", error);
    // Load every value, change one, save them all, as one change of the
    // store: the plug-in's load stops at the first value it misses, so the
    // store must hold them all, and nobody else's change may fall between.
    platform::RegistryLock hold;
    if (!hold.IsHeld()) return Fail("the settings store cannot be locked: " + hold.Error());
    if (params.LoadStoredValues(&error) != 0) return Fail("the stored settings cannot be read: " + error);
    if (setting->text) {
      param->SetText(value);
    } else {
      param->SetInt(number);
    }
    if (params.SaveToRegistry(&error) != 0) return Fail("the settings cannot be stored: " + error);
    return kExitOk;
  }
  if (action == "reset" && line.positional.size() == 1) {
    platform::RegistryLock hold;
    if (!hold.IsHeld()) return Fail("the settings store cannot be locked: " + hold.Error());
    platform::RegistryKey maker, key;
    const bool stored = maker.OpenCurrentUser(kSettingsKey) && key.Open(maker, kSet);
    if (!maker.Error().empty() || !key.Error().empty()) {
      return Fail("the stored settings cannot be read: " + maker.Error() + key.Error());
    }
    if (stored) {
      key.Close();
      maker.Close();
      if (!platform::DeleteCurrentUserKey(kSettingsKey, kSet, &error)) {
        return Fail("the stored settings cannot be removed" + (error.empty() ? std::string() : ": " + error));
      }
    }
    return kExitOk;
  }
  return UsageError("settings", "expects 'show', 'set NAME VALUE' or 'reset'");
}
