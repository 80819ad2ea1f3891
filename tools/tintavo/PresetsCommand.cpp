// tintavo presets: named snapshots of the stored settings, as files in the
// presets folder (platform/PresetsLocation.h).

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "commands/HueloomParams.h"
#include "commands/Presets.h"
#include "platform/File.h"
#include "platform/MakeFolder.h"
#include "platform/MessageBox.h"
#include "tools/tintavo/Cli.h"
#include "tools/tintavo/SettingsListing.h"

namespace {

const char kHelp[] =
    "Usage: tintavo presets list\n"
    "       tintavo presets show NAME\n"
    "       tintavo presets save NAME [--force]\n"
    "       tintavo presets load NAME\n"
    "       tintavo presets delete NAME\n"
    "\n"
    "Presets are files NAME.preset in the presets folder: on Windows the folder\n"
    "'Presets' beside the plug-in and the program, elsewhere\n"
    "$XDG_CONFIG_HOME/tintavo/presets (~/.config/tintavo/presets), made when\n"
    "a preset is saved.  'show' prints a preset's values; 'save' writes the\n"
    "stored settings under NAME (an existing preset only with --force); 'load'\n"
    "makes a preset's values (or 'Default') the stored settings; 'tintavo\n"
    "apply --preset NAME' repaints with them.  NAME is a plain file name of at\n"
    "most 200 bytes: no '/', '\\', '..', control characters or any of\n"
    "< > : \" | ? *, not starting with '.', not 'Default'.\n";

const char kSet[] = "Hueloom";

}  // namespace

int RunPresets(const std::vector<std::string>& args) {
  std::vector<std::string> rest;
  bool force = false;
  for (const std::string& a : args) {
    if (a == "--force") {
      force = true;
    } else {
      rest.push_back(a);
    }
  }
  CommandLine line;
  std::string error;
  if (!ParseCommandLine(rest, {}, &line, &error)) return UsageError("presets", error);
  if (line.help || line.positional.empty()) {
    std::fputs(kHelp, line.help ? stdout : stderr);
    return line.help ? kExitOk : kExitUsage;
  }
  const std::string folder = PresetsFolder();
  const std::string& action = line.positional[0];
  CParamSet params;
  params.SetName(kSet);
  BuildHueloomParams(&params);

  if (action == "list" && line.positional.size() == 1) {
    std::vector<std::string> names = ListPresets(folder);
    std::sort(names.begin(), names.end());
    std::printf("Default\n");
    for (const std::string& name : names) std::printf("%s\n", name.c_str());
    return kExitOk;
  }
  if (line.positional.size() != 2) return UsageError("presets", "expects 'list', or an action and a NAME");
  const std::string& name = line.positional[1];
  if (action != "save" && action != "load" && action != "delete" && action != "show") {
    return UsageError("presets", "unknown action '" + action + "'");
  }
  // The name becomes a file in the presets folder: only plain names that
  // stay there ('Default' loads the initial settings).
  const bool isDefault = (action == "load" || action == "show") && name == "Default";
  const std::string problem = action == "save" ? PresetSaveProblem(name)
                              : isDefault      ? std::string()
                                               : PresetNameProblem(name);
  if (!problem.empty()) return UsageError("presets", "'" + name + "': " + problem);

  if (action == "save") {
    const std::string path = folder + PresetFileName(name);
    if (platform::FileExists(path) && !force) {
      return Fail(path + " already exists (use --force to overwrite it)");
    }
    if (params.LoadStoredValues(&error) != 0) return Fail("the stored settings cannot be read: " + error);
    std::string reason;
    if (!platform::MakeFolders(folder, &reason)) return Fail(folder + ": " + reason);
    errno = 0;
    if (WritePreset(params, path) != 0) return Fail(path + ": cannot be written: " + SystemReason());
    return kExitOk;
  }
  if (action == "show") {
    if (isDefault) {
      params.ResetDefaults();
    } else if (ReadPreset(folder + name + ".preset", &params) != 0) {
      return Fail(folder + name + ".preset: no such preset, or it cannot be read");
    }
    PrintSettings(params, nullptr);
    return kExitOk;
  }
  if (action == "load") {
    if (name == "Default") {
      params.ResetDefaults();
    } else if (ReadPreset(folder + name + ".preset", &params) != 0) {
      return Fail("Can't load the selected preset: " + folder + name + ".preset");
    }
    // A preset holds every value: the store then holds them all.
    if (params.SaveToRegistry(&error) != 0) return Fail("the settings cannot be stored: " + error);
    return kExitOk;
  }
  const std::string path = folder + name + ".preset";
  if (!platform::FileExists(path)) return Fail(path + ": no such preset");
  if (!DeletePreset(path, false, false)) return Fail("Can't delete preset " + path);
  return kExitOk;
}
