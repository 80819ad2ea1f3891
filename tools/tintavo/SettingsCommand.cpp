// tintavo settings: the stored Hueloom parameters the plug-in starts from.

#include <cstdio>

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
    // Each value on its own: the plug-in's load stops at the first missing
    // value, but a listing should show everything that is stored.
    platform::RegistryKey maker, key;
    const bool stored = maker.OpenCurrentUser(kSettingsKey) && key.Open(maker, kSet);
    for (const auto& [index, param] : params.Params()) {
      const bool present = stored && param->ReadRegistry(key) == 0;
      std::string text;
      if (param->RegistryType() == platform::kRegDword) {
        std::int32_t number = 0;
        param->GetInt(&number);
        text = std::to_string(number);
      } else {
        param->GetText(&text);
        text = "\"" + text + "\"";
      }
      std::printf("%-16s %s%s\n", param->Name().c_str(), text.c_str(), present ? "" : "   (not stored)");
    }
    return kExitOk;
  }
  if (action == "set" && line.positional.size() == 3) {
    CParam* param = params.FindByName(line.positional[1]);
    if (param == nullptr) return UsageError("settings", "no setting is named '" + line.positional[1] + "'");
    const std::string& value = line.positional[2];
    if (param->RegistryType() == platform::kRegDword) {
      int number = 0;
      if (!ParseInteger(value, -2147483647 - 1, 2147483647, &number)) {
        return UsageError("settings", line.positional[1] + " takes a whole number, not '" + value + "'");
      }
      param->SetInt(number);
    } else {
      if (value.size() >= 256) return UsageError("settings", line.positional[1] + " takes at most 255 characters");
      param->SetText(value);
    }
    platform::RegistryKey maker, key;
    if (!maker.CreateCurrentUser(kSettingsKey) || !key.Create(maker, kSet) || param->WriteRegistry(key) != 0) {
      return Fail("the settings store cannot be written");
    }
    return kExitOk;
  }
  if (action == "reset" && line.positional.size() == 1) {
    platform::RegistryKey maker, key;
    if (maker.OpenCurrentUser(kSettingsKey) && key.Open(maker, kSet)) {
      key.Close();
      maker.Close();
      if (!platform::DeleteCurrentUserKey(kSettingsKey, kSet)) return Fail("the stored settings cannot be removed");
    }
    return kExitOk;
  }
  return UsageError("settings", "expects 'show', 'set NAME VALUE' or 'reset'");
}
