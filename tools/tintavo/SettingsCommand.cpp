// tintavo settings: the stored Hueloom parameters the plug-in starts from.

#include <cstdio>
#include <map>

#include "commands/HueloomParams.h"
#include "commands/ParamSet.h"
#include "platform/Registry.h"
#include "tools/tintavo/Cli.h"

namespace {

const char kHelp[] =
    "Usage: tintavo settings show\n"
    "       tintavo settings set NAME VALUE\n"
    "       tintavo settings reset\n"
    "\n"
    "The settings the plug-in keeps between runs (on Windows in the registry\n"
    "under HKEY_CURRENT_USER\\Software\\Velmora\\Hueloom; elsewhere in\n"
    "$XDG_CONFIG_HOME/tintavo/registry.txt).  NAME is one of Radius, Color,\n"
    "Blend, Filename, Path, ALTERNATIVEMODE, ImageSelected (as written).\n"
    "'reset' removes them, so the plug-in starts from its initial values.\n";

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
    for (const auto& [index, param] : params.Params()) {
      std::string text;
      if (param->RegistryType() == platform::kRegDword) {
        std::int32_t number = 0;
        param->GetInt(&number);
        text = std::to_string(number);
      } else {
        param->GetText(&text);
        text = "\"" + text + "\"";
      }
      const char* note = found[index] == keStoredMissing    ? "   (not stored)"
                         : found[index] == keStoredUnusable ? "   (the stored value is too long to use)"
                                                            : "";
      std::printf("%-16s %s%s\n", param->Name().c_str(), text.c_str(), note);
    }
    return kExitOk;
  }
  if (action == "set" && line.positional.size() == 3) {
    CParam* param = params.FindByName(line.positional[1]);
    if (param == nullptr) return UsageError("settings", "no setting is named '" + line.positional[1] + "'");
    const std::string& value = line.positional[2];
    int number = 0;
    if (param->RegistryType() == platform::kRegDword) {
      if (!ParseInteger(value, -2147483647 - 1, 2147483647, &number)) {
        return UsageError("settings", line.positional[1] + " takes a whole number, not '" + value + "'");
      }
    } else if (value.size() >= 256) {
      return UsageError("settings", line.positional[1] + " takes at most 255 characters");
    }
    // Load every value, change one, save them all, as one change of the
    // store: the plug-in's load stops at the first value it misses, so the
    // store must hold them all, and nobody else's change may fall between.
    platform::RegistryLock hold;
    if (!hold.IsHeld()) return Fail("the settings store cannot be locked: " + hold.Error());
    if (params.LoadStoredValues(&error) != 0) return Fail("the stored settings cannot be read: " + error);
    if (param->RegistryType() == platform::kRegDword) {
      param->SetInt(number);
    } else {
      param->SetText(value);
    }
    if (params.SaveToRegistry(&error) != 0) return Fail("the settings cannot be stored: " + error);
    return kExitOk;
  }
  if (action == "reset" && line.positional.size() == 1) {
    platform::RegistryLock hold;
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
