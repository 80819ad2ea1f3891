#include "ui/TemplateFolder.h"

#include <algorithm>

#include "platform/Folder.h"

namespace ui {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerCase(std::string text) {
  for (char& c : text) c = Lower(c);
  return text;
}

bool EndsWith(const std::string& text, const char* tail) {
  const std::string t(tail);
  return text.size() >= t.size() && text.compare(text.size() - t.size(), t.size(), t) == 0;
}

}  // namespace

bool IsTemplateFileName(const std::string& name) {
  const std::string lower = LowerCase(name);
  for (const char* ending : {".jpg", ".jpeg", ".png", ".bmp", ".dib", ".gif", ".pcx", ".tif", ".tiff"}) {
    if (EndsWith(lower, ending)) return true;
  }
  return false;
}

std::vector<std::string> ScanTemplateFolder(const std::string& folder) {
  std::string prefix = folder;
  if (!prefix.empty() && prefix.back() != '\\' && prefix.back() != '/') prefix += platform::PathSeparator();
  std::vector<std::string> paths;
  for (const platform::FolderEntry& entry : platform::ListFolder(prefix)) {
    if (!entry.isFolder && IsTemplateFileName(entry.name)) paths.push_back(prefix + entry.name);
  }
  std::sort(paths.begin(), paths.end(),
            [](const std::string& a, const std::string& b) { return LowerCase(a) < LowerCase(b); });
  return paths;
}

}  // namespace ui
