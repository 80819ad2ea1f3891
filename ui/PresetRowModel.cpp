#include "ui/PresetRowModel.h"

#include "commands/ParamSet.h"
#include "commands/Presets.h"
#include "platform/File.h"

namespace ui {
namespace {

constexpr std::size_t kExtensionLength = 7;  // ".preset"

}  // namespace

CPresetRowModel::Entries CPresetRowModel::List() const {
  Entries entries;
  entries.names.push_back("Default");
  for (std::string& name : ListPresets(m_folder)) entries.names.push_back(std::move(name));
  const std::string& current = CurrentPreset().fileName;
  if (current.size() >= kExtensionLength) {
    const std::string name = current.substr(0, current.size() - kExtensionLength);
    for (std::size_t i = 1; i < entries.names.size(); ++i) {
      if (entries.names[i] == name) entries.selected = static_cast<int>(i);
    }
  }
  return entries;
}

bool CPresetRowModel::Choose(int index, const std::string& name) {
  if (index < 0) return true;
  if (index == 0) {
    m_site.Params().ResetDefaults();
    CurrentPreset() = CurrentPresetInfo();
    m_site.PresetLoaded();
    return true;
  }
  const std::string path = m_folder + name + ".preset";
  if (!PresetNameProblem(name).empty() || ReadPreset(path, &m_site.Params()) != 0) {
    m_site.ShowMessage(kLoadFailed);
    return false;
  }
  CurrentPreset() = CurrentPresetInfo{name + ".preset", path};
  m_site.PresetLoaded();
  return true;
}

bool CPresetRowModel::Save() {
  std::string typed;
  for (;;) {
    const std::optional<std::string> answer = m_site.AskName(typed);
    if (!answer) return false;
    typed = *answer;
    // A name that would leave the folder, hide the file or not come back
    // from the list is refused with the reason, and asked again.
    const std::string problem = PresetSaveProblem(typed);
    if (!problem.empty()) {
      m_site.ShowMessage(problem);
      continue;
    }
    const std::string file = PresetFileName(typed);
    const std::string path = m_folder + file;
    if (platform::FileExists(path) && !m_site.AskYesNo(kOverwriteQuestion)) continue;
    // A folder that cannot take the file ends the save without a word.
    if (WritePreset(m_site.Params(), path) != 0) return false;
    CurrentPreset() = CurrentPresetInfo{file, path};
    return true;
  }
}

bool CPresetRowModel::Delete() {
  const std::string path = CurrentPreset().path;
  if (path.empty()) return false;
  return DeletePreset(path, false, m_shellConfirms);
}

}  // namespace ui
