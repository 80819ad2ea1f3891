#include "commands/AboutBox.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/Module.h"
#include "platform/VersionInfo.h"

namespace {

class FakeRecord : public platform::VersionRecord {
 public:
  std::vector<std::pair<std::uint16_t, std::uint16_t>> translations;
  std::map<std::string, std::string> texts;

  bool Translations(std::vector<std::pair<std::uint16_t, std::uint16_t>>* pairs) const override {
    *pairs = translations;
    return !translations.empty();
  }
  bool Text(const std::string& path, std::string* value) const override {
    auto it = texts.find(path);
    if (it == texts.end()) return false;
    *value = it->second;
    return true;
  }
};

TEST(AboutBoxTest, LinesFollowTheRecordsTranslations) {
  FakeRecord record;
  record.translations = {{0x0409, 0x04B0}, {0x0407, 0x04E4}};
  record.texts = {
      {"\\StringFileInfo\\040904b0\\ProductName", "Tintavo plug-in"},
      {"\\StringFileInfo\\040904b0\\ProductVersion", "1.1"},
      {"\\StringFileInfo\\040904b0\\CompanyName", "Velmora"},
      {"\\StringFileInfo\\040904b0\\Comments", "English"},
      {"\\StringFileInfo\\040704e4\\ProductVersion", "2.0"},
      {"\\StringFileInfo\\040704e4\\CompanyName", " GmbH"},
      {"\\StringFileInfo\\040704e4\\LegalTrademarks", "Authors"},
  };
  AboutLines lines = DefaultAboutLines();
  ReadAboutLines(record, &lines);
  // The second translation overwrites nothing it lacks and appends again.
  EXPECT_EQ("Tintavo plug-in Version 1.1 Version 2.0", lines.name);
  EXPECT_EQ(DefaultAboutLines().vendor + "Velmora GmbH", lines.vendor);
  EXPECT_EQ("Authors", lines.authors);
  EXPECT_EQ("English", lines.description);
}

TEST(AboutBoxTest, MissingValuesKeepTheDefaults) {
  FakeRecord record;
  AboutLines lines = DefaultAboutLines();
  ReadAboutLines(record, &lines);  // no translation table
  EXPECT_EQ("Velmora plug-in", lines.name);
  EXPECT_EQ("Velmora", lines.authors);
  EXPECT_EQ("Adobe-compatible plug-in", lines.description);

  record.translations = {{0x0409, 0x04B0}};
  record.texts = {{"\\StringFileInfo\\040904b0\\ProductName", "Tintavo plug-in"}};
  ReadAboutLines(record, &lines);
  EXPECT_EQ("Tintavo plug-in", lines.name);  // no " Version " without a version
}

// The record the product carries: the resource of the built DLL on Windows,
// the compiled-in texts elsewhere.
TEST(AboutBoxTest, ProductRecordGivesTheProductsLines) {
#if defined(_WIN32)
  const std::string module = platform::FolderOf(platform::ExecutablePath()) + "Tintavo.8bf";
#else
  const std::string module = platform::ExecutablePath();
#endif
  platform::FileVersionRecord record(module);
  ASSERT_TRUE(record.IsLoaded());
  AboutLines lines = DefaultAboutLines();
  ReadAboutLines(record, &lines);
  EXPECT_EQ("Tintavo plug-in Version 1.1", lines.name);
  EXPECT_EQ("Copyright (C) 2026 Velmora", lines.vendor);
  EXPECT_EQ("Written by the Tintavo team at Velmora", lines.authors);
  EXPECT_EQ("Repaints source image in template's colors.", lines.description);
}

}  // namespace
