#include "commands/AboutBox.h"

#include <cstdio>

#include "platform/Module.h"
#include "resources/ProductInfo.h"
#include "ui/AboutDialog.h"

AboutLines DefaultAboutLines() {
  return AboutLines{TINTAVO_DEFAULT_NAME_LINE, TINTAVO_DEFAULT_VENDOR_LINE, TINTAVO_DEFAULT_AUTHORS_LINE,
                    TINTAVO_DEFAULT_DESCRIPTION_LINE};
}

void ReadAboutLines(const platform::VersionRecord& record, AboutLines* lines) {
  std::vector<std::pair<std::uint16_t, std::uint16_t>> translations;
  if (!record.Translations(&translations)) return;
  for (const auto& [language, codePage] : translations) {
    const auto query = [&](const char* key, std::string* value) {
      char path[301];
      const int n = std::snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\%s",
                                  static_cast<unsigned>(language), static_cast<unsigned>(codePage), key);
      if (n < 0 || n >= static_cast<int>(sizeof path)) return false;  // does not fit: skipped
      return record.Text(path, value);
    };
    std::string value;
    if (query("Comments", &value)) lines->description = value;
    if (query("LegalTrademarks", &value)) lines->authors = value;
    if (query("ProductName", &value)) lines->name = value;
    if (query("ProductVersion", &value)) lines->name += " Version " + value;
    if (query("LegalCopyright", &value)) lines->vendor = value;
    if (query("CompanyName", &value)) lines->vendor += value;
  }
}

void ShowAboutBox() {
  AboutLines lines = DefaultAboutLines();
  // The record of the module this code was linked into: the plug-in library
  // itself, wherever the host loaded it from.
  const std::string module = platform::ModulePathOf(reinterpret_cast<const void*>(&ShowAboutBox));
  if (!module.empty()) {
    platform::FileVersionRecord record(module);
    if (record.IsLoaded()) ReadAboutLines(record, &lines);
  }
  ShowAboutDialog({lines.name, lines.vendor, lines.authors, lines.description});
}
