#include "commands/Presets.h"

#include <cstdio>
#include <memory>

#include "imagefiles/FileType.h"
#include "platform/Folder.h"
#include "platform/MessageBox.h"
#include "platform/Module.h"
#include "platform/PresetsLocation.h"
#include "resources/ProductInfo.h"

namespace {

constexpr char kExtension[] = ".preset";
constexpr std::size_t kExtensionLength = 7;
constexpr std::size_t kMaxNameBytes = 200;

// `tail` is given in lower case.
bool EndsWithIgnoringCase(const std::string& text, const char* tail, std::size_t n) {
  return text.size() >= n && LowerCaseAscii(text.substr(text.size() - n)) == std::string(tail, n);
}

bool SameIgnoringCase(const std::string& a, const std::string& b) { return LowerCaseAscii(a) == LowerCaseAscii(b); }

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Reads one line up to a line feed; false at the end of the file.  A CR
// before the line feed (a file written on Windows) is part of the line end.
bool ReadLine(std::FILE* f, std::string* line) {
  line->clear();
  int c;
  bool any = false;
  while ((c = std::fgetc(f)) != EOF) {
    any = true;
    if (c == '\n') break;
    line->push_back(static_cast<char>(c));
  }
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return any;
}

void ApplyLine(const std::string& line, CParamSet* set) {
  if (line.empty()) return;
  std::size_t p = 0;
  while (p < line.size() && IsBlank(line[p])) ++p;
  if (p == line.size()) return;
  std::size_t q = p;
  while (q < line.size() && line[q] != ':' && !IsBlank(line[q])) ++q;
  CParam* parameter = set->FindByName(line.substr(p, q - p));
  if (parameter == nullptr) return;  // the set's name, or an unknown name
  std::size_t v = q;
  while (v < line.size() && (IsBlank(line[v]) || line[v] == ':')) ++v;
  if (v == line.size()) return;  // no value: the default stays
  std::size_t e = line.size() - 1;
  while (IsBlank(line[e])) --e;
  (void)parameter->SetFromText(line.substr(v, e - v + 1));
}

}  // namespace

std::string PresetsFolder() {
  const std::string module = platform::ModulePathOf(reinterpret_cast<const void*>(&PresetsFolder));
  return platform::PresetsFolderFor(platform::FolderOf(module));
}

std::vector<std::string> ListPresets(const std::string& folder) {
  std::vector<std::string> names;
  for (const platform::FolderEntry& entry : platform::ListFolder(folder)) {
    if (entry.isFolder || !EndsWithIgnoringCase(entry.name, kExtension, kExtensionLength)) continue;
    std::string name = entry.name.substr(0, entry.name.size() - kExtensionLength);
    if (PresetNameProblem(name).empty()) names.push_back(std::move(name));
  }
  return names;
}

std::string PresetNameProblem(const std::string& name) {
  if (name.empty()) return "A preset needs a name.";
  if (name.size() > kMaxNameBytes) {
    return "A preset name has at most " + std::to_string(kMaxNameBytes) + " bytes.";
  }
  if (name.find_first_of("/\\") != std::string::npos) return "A preset name cannot contain '/' or '\\'.";
  if (name.find("..") != std::string::npos) return "A preset name cannot contain '..'.";
  if (name[0] == '.') return "A preset name cannot start with '.'.";
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) {
      return "A preset name cannot contain control characters (such as a line break or a TAB).";
    }
  }
  if (name.find_first_of("<>:\"|?*") != std::string::npos) {
    return "A preset name cannot contain any of < > : \" | ? *.";
  }
  if (SameIgnoringCase(name, "Default")) {
    return "'Default' stands for the initial settings and cannot name a preset.";
  }
  // Windows opens a device for these names, whatever follows the first dot.
  const std::string base = name.substr(0, name.find('.'));
  for (const char* device : {"CON", "PRN", "AUX", "NUL"}) {
    if (SameIgnoringCase(base, device)) return "'" + base + "' is a device on Windows and cannot name a preset.";
  }
  if (base.size() == 4 && base[3] >= '1' && base[3] <= '9' &&
      (SameIgnoringCase(base.substr(0, 3), "COM") || SameIgnoringCase(base.substr(0, 3), "LPT"))) {
    return "'" + base + "' is a device on Windows and cannot name a preset.";
  }
  return std::string();
}

std::string PresetSaveProblem(const std::string& typed) {
  const std::string file = PresetFileName(typed);
  return PresetNameProblem(file.substr(0, file.size() - kExtensionLength));
}

std::string PresetFileName(const std::string& typed) {
  const std::size_t first = typed.find_first_not_of(' ');
  std::string name = first == std::string::npos ? std::string() : typed.substr(first);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  const bool hasExtension =
      name.size() >= kExtensionLength && name.compare(name.size() - kExtensionLength, kExtensionLength, kExtension) == 0;
  return hasExtension ? name : name + kExtension;
}

int WritePreset(const CParamSet& set, const std::string& path) {
  FilePtr f(std::fopen(path.c_str(), "w"));
  if (!f) return -1;
  set.WriteText(f.get());
  return std::fclose(f.release()) == 0 ? 0 : -2;
}

int ReadPreset(const std::string& path, CParamSet* set) {
  FilePtr f(std::fopen(path.c_str(), "r"));
  if (!f) return -1;
  set->ResetDefaults();
  std::string line;
  while (ReadLine(f.get(), &line)) ApplyLine(line, set);
  return 0;
}

bool DeletePreset(const std::string& path, bool allowUndo, bool askUser) {
  if (path.empty()) return false;
  bool aborted = false;
  if (platform::ShellDeleteFile(path, allowUndo, askUser, &aborted) != 0) {
    platform::ShowMessage("Can't delete preset", TINTAVO_PRODUCT_NAME);
    return false;
  }
  if (aborted) return false;
  CurrentPreset() = CurrentPresetInfo();
  return true;
}

CurrentPresetInfo& CurrentPreset() {
  static CurrentPresetInfo s_current;
  return s_current;
}
