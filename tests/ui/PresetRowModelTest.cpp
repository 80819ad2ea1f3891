#include "ui/PresetRowModel.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "commands/HueloomParams.h"
#include "commands/Param.h"
#include "commands/Presets.h"
#include "platform/MessageBox.h"

namespace {

namespace fs = std::filesystem;

class FakeRowSite : public ui::IPresetRowSite {
 public:
  FakeRowSite() {
    BuildHueloomParams(&set);
    set.SetName("Hueloom");
  }
  CParamSet& Params() override { return set; }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  bool AskYesNo(const std::string& text) override {
    questions.push_back(text);
    const bool yes = !yesNo.empty() && yesNo.front();
    if (!yesNo.empty()) yesNo.erase(yesNo.begin());
    return yes;
  }
  std::optional<std::string> AskName(const std::string& name) override {
    asked.push_back(name);
    if (names.empty()) return std::nullopt;
    std::string next = names.front();
    names.erase(names.begin());
    return next;
  }
  void PresetLoaded() override { ++loaded; }

  int Int(int index) {
    std::int32_t value = 0;
    set.GetByIndex(index)->GetInt(&value);
    return value;
  }
  void SetInt(int index, int value) { set.GetByIndex(index)->SetInt(value); }

  CParamSet set;
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  std::vector<bool> yesNo;
  std::vector<std::string> asked;
  std::vector<std::string> names;
  int loaded = 0;
};

class PresetRowModelTest : public testing::Test {
 protected:
  void SetUp() override {
    m_folder = fs::temp_directory_path() / (std::string("tintavo-preset-row-") +
                                                 testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(m_folder);
    fs::create_directories(m_folder);
    CurrentPreset() = CurrentPresetInfo();
    m_boxes = platform::SetMessageBoxHandler([this](const platform::MessageBoxRequest& r) {
      m_site.messages.push_back(r.text);
      return platform::kAnswerOk;
    });
  }
  void TearDown() override {
    platform::SetMessageBoxHandler(m_boxes);
    CurrentPreset() = CurrentPresetInfo();
    fs::remove_all(m_folder);
  }
  std::string Folder() const { return (m_folder / "").string(); }
  bool Exists(const char* file) const { return fs::exists(m_folder / file); }

  fs::path m_folder;
  FakeRowSite m_site;
  platform::MessageBoxHandler m_boxes;
};

TEST_F(PresetRowModelTest, SavesListsLoadsAndDeletes) {
  ui::CPresetRowModel row(m_site, Folder(), false);
  EXPECT_EQ(row.List().names, std::vector<std::string>{"Default"});

  m_site.SetInt(keParamRadius, 42);
  m_site.names = {"  warm  "};
  ASSERT_TRUE(row.Save());
  EXPECT_TRUE(Exists("warm.preset"));
  EXPECT_EQ(CurrentPreset().fileName, "warm.preset");
  const ui::CPresetRowModel::Entries entries = row.List();
  EXPECT_EQ(entries.names, (std::vector<std::string>{"Default", "warm"}));
  EXPECT_EQ(entries.selected, 1);

  // "Default" resets the parameters and forgets the current preset.
  EXPECT_TRUE(row.Choose(0, "Default"));
  FakeRowSite fresh;
  EXPECT_EQ(m_site.Int(keParamRadius), fresh.Int(keParamRadius));
  EXPECT_TRUE(CurrentPreset().path.empty());
  EXPECT_EQ(row.List().selected, -1);
  // Delete does nothing then.
  EXPECT_FALSE(row.Delete());
  EXPECT_TRUE(Exists("warm.preset"));

  EXPECT_TRUE(row.Choose(1, "warm"));
  EXPECT_EQ(m_site.Int(keParamRadius), 42);
  EXPECT_EQ(CurrentPreset().path, Folder() + "warm.preset");
  EXPECT_EQ(m_site.loaded, 2);

  EXPECT_TRUE(row.Delete());
  EXPECT_FALSE(Exists("warm.preset"));
  EXPECT_TRUE(CurrentPreset().path.empty());
  EXPECT_TRUE(m_site.messages.empty());
}

TEST_F(PresetRowModelTest, AnExistingNameIsOverwrittenOnlyAfterYes) {
  ui::CPresetRowModel row(m_site, Folder());
  m_site.SetInt(keParamColor, 10);
  m_site.names = {"a"};
  ASSERT_TRUE(row.Save());
  m_site.SetInt(keParamColor, 20);
  // "No" goes back to the name, which is typed again; then Cancel.
  m_site.names = {"a"};
  m_site.yesNo = {false};
  EXPECT_FALSE(row.Save());
  EXPECT_EQ(m_site.questions, std::vector<std::string>{"File already exists.\nOverwrite?"});
  EXPECT_EQ(m_site.asked, (std::vector<std::string>{"", "", "a"}));
  ASSERT_TRUE(row.Choose(1, "a"));
  EXPECT_EQ(m_site.Int(keParamColor), 10);
  // "Yes" writes.
  m_site.SetInt(keParamColor, 30);
  m_site.names = {"a.preset"};
  m_site.yesNo = {true};
  EXPECT_TRUE(row.Save());
  ASSERT_TRUE(row.Choose(1, "a"));
  EXPECT_EQ(m_site.Int(keParamColor), 30);
}

TEST_F(PresetRowModelTest, ARefusedNameIsExplainedAndAskedAgain) {
  ui::CPresetRowModel row(m_site, Folder());
  m_site.names = {"../outside", "ok"};
  EXPECT_TRUE(row.Save());
  ASSERT_EQ(m_site.messages.size(), 1u);
  EXPECT_NE(m_site.messages[0].find("'/'"), std::string::npos);
  EXPECT_TRUE(Exists("ok.preset"));
  EXPECT_FALSE(fs::exists(m_folder.parent_path() / "outside.preset"));
}

TEST_F(PresetRowModelTest, AMissingPresetIsReportedAndChangesNothing) {
  ui::CPresetRowModel row(m_site, Folder());
  m_site.names = {"kept"};
  ASSERT_TRUE(row.Save());
  m_site.SetInt(keParamBlend, 33);
  EXPECT_FALSE(row.Choose(2, "gone"));
  EXPECT_EQ(m_site.messages, std::vector<std::string>{"Can't load the selected preset"});
  EXPECT_EQ(m_site.Int(keParamBlend), 33);
  EXPECT_EQ(CurrentPreset().fileName, "kept.preset");
  EXPECT_EQ(m_site.loaded, 0);
}

TEST_F(PresetRowModelTest, AFolderThatCannotTakeTheFileEndsTheSaveSilently) {
  ui::CPresetRowModel row(m_site, Folder() + "missing/");
  m_site.names = {"x"};
  EXPECT_FALSE(row.Save());
  EXPECT_TRUE(m_site.messages.empty());
  EXPECT_TRUE(CurrentPreset().path.empty());
  EXPECT_EQ(row.List().names, std::vector<std::string>{"Default"});
}

}  // namespace
