#pragma once
// The main dialog's preset row without a window: the list ("Default", then
// the preset files of the presets folder), loading the chosen entry, saving
// under a typed name and deleting the current preset.
//
// The Win32 row (ui/win/PresetRow) fills its drop-down list from Entries(),
// forwards the selection and the two buttons here, and supplies the
// questions through IPresetRowSite.  The current preset (file name and path)
// is the module-wide CurrentPreset(), so it outlives the dialog.

#include <optional>
#include <string>
#include <vector>

class CParamSet;

namespace ui {

class IPresetRowSite {
 public:
  virtual ~IPresetRowSite() = default;
  // The command's parameters.
  virtual CParamSet& Params() = 0;
  // A message with OK.
  virtual void ShowMessage(const std::string& text) = 0;
  // A question with Yes and No: true for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
  // The name dialog ("Save Style"), opened with `name` in its field: the
  // typed name, or none when cancelled.
  virtual std::optional<std::string> AskName(const std::string& name) = 0;
  // The parameters changed under the pane: its fields follow them silently
  // and an immediate run is requested.
  virtual void PresetLoaded() = 0;
};

class CPresetRowModel {
 public:
  static constexpr const char* kOverwriteQuestion = "File already exists.\nOverwrite?";
  static constexpr const char* kLoadFailed = "Can't load the selected preset";

  // shellConfirms: the shell asks the user before deleting, as in the
  // dialog; tests that cannot answer the shell's question turn it off.
  CPresetRowModel(IPresetRowSite& site, std::string folder, bool shellConfirms = true)
      : m_site(site), m_folder(std::move(folder)), m_shellConfirms(shellConfirms) {}

  struct Entries {
    std::vector<std::string> names;  // "Default" first
    int selected = -1;               // the current preset's entry, or -1
  };
  Entries List() const;

  // The entry `index` (its text `name`) was chosen.  False when the list is
  // to be filled again (a preset that could not be loaded).
  bool Choose(int index, const std::string& name);
  // The save button: asks the name (again after a refused name or a "No"
  // to overwriting) and writes the file.  True when a file was written.
  bool Save();
  // The delete button: deletes the current preset's file through the shell.
  // True when deleted.
  bool Delete();

 private:
  IPresetRowSite& m_site;
  std::string m_folder;
  bool m_shellConfirms;
};

}  // namespace ui
