#pragma once
// Presets: named snapshots of a command's parameters, kept as small text
// files "<name>.preset" in the presets folder: on Windows the folder
// "Presets" beside the plug-in (or beside the command-line tool), elsewhere
// $XDG_CONFIG_HOME/tintavo/presets (platform/PresetsLocation.h).  The
// folder is never created here.
//
// A file holds the set's name on its first line and then one line per
// parameter: TAB, name, " : ", value.

#include <string>
#include <vector>

#include "commands/ParamSet.h"

// The presets folder of this module, ending in a separator.
std::string PresetsFolder();

// The names of the presets in `folder` (files ending in ".preset", any case,
// without that ending), in the folder's order.  Files whose names could not
// have been saved (PresetNameProblem) are left out, so every entry is one
// line and can be loaded.
std::vector<std::string> ListPresets(const std::string& folder);

// The file name a typed preset name is saved under: trimmed of spaces, with
// ".preset" appended unless it already ends exactly so.
std::string PresetFileName(const std::string& typed);

// Why `name` cannot name a preset (the file "<name>.preset" in the presets
// folder), as a sentence for the user; "" when it can.  A preset name is a
// plain file name that stays inside the folder, means the same on every
// system and fits one line of the list: not empty, at most 200 bytes, no
// '/' or '\\', no "..", no control characters (line breaks, TABs), none of
// the characters Windows refuses in file names (< > : " | ? *), not starting
// with '.', not a Windows device name (CON, NUL, COM1, ...), and not
// "Default", the list's entry for the initial settings (in any case).
// Loading, saving and deleting a preset ask this first.
std::string PresetNameProblem(const std::string& name);
// The same question for a typed name that is to be saved: asked of the name
// PresetFileName gives, without its ".preset".
std::string PresetSaveProblem(const std::string& typed);

// 0 when written; negative when the file cannot be created.
int WritePreset(const CParamSet& set, const std::string& path);
// 0 when read; -1 when the file cannot be opened (parameters unchanged).
// Parameters the file does not mention end at their defaults.
int ReadPreset(const std::string& path, CParamSet* set);
// Deletes the preset file; shows "Can't delete preset" when the shell
// refuses.  True when deleted (and the current preset is then cleared).  The
// shell asks the user to confirm unless `askUser` is false (a deletion the
// user already asked for by name, as on the command line).
bool DeletePreset(const std::string& path, bool allowUndo, bool askUser = true);

// The preset last loaded or saved, kept for the life of the loaded module.
struct CurrentPresetInfo {
  std::string fileName;  // with ".preset"
  std::string path;
};
CurrentPresetInfo& CurrentPreset();
