#pragma once
// Where presets are kept on this platform.
//
// Windows editors keep a plug-in's files in their plug-in folder, so the
// plug-in keeps its presets in the folder "Presets" beside its file.  On
// other systems programs keep a person's files in their configuration
// folder: $XDG_CONFIG_HOME/tintavo/presets (~/.config when the variable is
// not set), beside the settings store.

#include <string>

namespace platform {

// The presets folder for a program or plug-in whose file lies in
// `moduleFolder` (with its trailing separator); the answer ends in a
// separator too.
std::string PresetsFolderFor(const std::string& moduleFolder);

}  // namespace platform
