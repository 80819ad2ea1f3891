#include "ui/ControlPaneModel.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using ui::CControlPaneModel;
using ui::PaneDisplay;
using ui::PaneMode;

// The world around the pane: the command's parameters, the run, the main
// dialog's controls, the template list and the user's answers.
class FakeSite : public ui::IControlPaneSite {
 public:
  int IntParam(int index) const override {
    auto it = ints.find(index);
    return it == ints.end() ? 0 : it->second;
  }
  void SetIntParam(int index, int value) override { ints[index] = value; }
  std::string TextParam(int index) const override {
    auto it = texts.find(index);
    return it == texts.end() ? std::string() : it->second;
  }
  void SetTextParam(int index, const std::string& value) override { texts[index] = value; }

  bool RunGoing() const override { return running; }
  void StopRun() override {
    ++stops;
    running = false;
  }
  void RequestRun() override { ++runRequests; }

  void EnableOk(bool enabled) override { ok = enabled; }
  void SetFields(int b, int c, int f) override { fields = {b, c, f}; }
  void EnableFields(bool enabled) override { fieldsEnabled = enabled; }
  void CheckMode(PaneMode mode) override { checked = mode; }
  void SelectDisplay(PaneDisplay d) override { display = d; }
  void EnableDisplay(bool enabled) override { displayEnabled = enabled; }
  bool ShowResult() override {
    if (!outputHasPixels) return false;
    shown = "result";
    return true;
  }
  void ShowOriginal() override { shown = "original"; }

  bool ShowTemplatePicture(const std::string& path) override {
    picture = path;
    caption.clear();
    return true;
  }
  void ShowCancelledCaption() override {
    picture.clear();
    caption = CControlPaneModel::kCancelledCaption;
  }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  bool AskOkCancel(const std::string& text) override {
    questions.push_back(text);
    // A user who keeps pressing OK; the test gives up after a few rounds.
    return questions.size() < 5 && answerOk;
  }
  std::optional<std::string> BrowseFolder(const std::string& path) override {
    browsedFrom.push_back(path);
    if (duringBrowse) duringBrowse();
    if (browseAnswers.empty()) return std::nullopt;
    std::string next = browseAnswers.front();
    browseAnswers.erase(browseAnswers.begin());
    return next;
  }
  void ScanFolder(const std::string& folder) override {
    scanned.push_back(folder);
    list = folders[folder];
  }
  int TemplateCount() const override { return static_cast<int>(list.size()); }
  std::string TemplatePath(int index) const override {
    return index >= 0 && index < static_cast<int>(list.size()) ? list[static_cast<std::size_t>(index)] : "";
  }
  bool OpenTemplateBrowser(int selected) override {
    browserOpenedAt.push_back(selected);
    return true;
  }
  void CloseTemplateBrowser() override { ++browserCloses; }

  std::map<int, int> ints;
  std::map<int, std::string> texts;
  bool running = false;
  int stops = 0;
  int runRequests = 0;
  bool ok = true;
  std::vector<int> fields{-1, -1, -1};
  bool fieldsEnabled = true;
  PaneMode checked = PaneMode::kOnlyColor;
  PaneDisplay display = PaneDisplay::kResult;
  bool displayEnabled = true;
  bool outputHasPixels = true;
  std::string shown;
  std::string picture;
  std::string caption;
  std::vector<std::string> errors;
  std::vector<std::string> questions;
  bool answerOk = true;
  std::vector<std::string> browsedFrom;
  std::vector<std::string> browseAnswers;
  std::function<void()> duringBrowse;
  std::map<std::string, std::vector<std::string>> folders;
  std::vector<std::string> scanned;
  std::vector<std::string> list;
  std::vector<int> browserOpenedAt;
  int browserCloses = 0;
};

struct Pane {
  FakeSite site;
  CControlPaneModel model{site};
  Pane() {
    // Stored settings: a template, a folder holding two pictures, values
    // the pane is to reset.
    site.ints = {{0, 20}, {1, -10}, {2, 15}, {5, 1}, {6, 1}};
    site.texts = {{3, "D:\\pics\\b.jpg"}, {4, "D:\\pics\\"}};
    site.folders["D:\\pics\\"] = {"D:\\pics\\a.jpg", "D:\\pics\\b.jpg"};
    site.folders["E:\\more\\"] = {"E:\\more\\c.png"};
  }
  // The user types into a field; the next poll reads the fields.
  void Type(int field, int value) {
    site.fields[static_cast<std::size_t>(field)] = value;
    Poll();
  }
  void Poll() { model.Poll(site.fields[0], site.fields[1], site.fields[2]); }
  // The requested run starts and finishes.
  void RunToEnd() {
    model.OnResultReady();
  }
  std::vector<int> Settings() const { return {site.IntParam(0), site.IntParam(1), site.IntParam(2)}; }
};

// What the world looks like after a scenario.
struct Expect {
  int runRequests;
  std::vector<int> settings;  // parameters 0, 1, 2
  int mode;                   // parameter 5
  bool ok;
  PaneDisplay display;
  bool displayEnabled;
  bool fieldsEnabled;
};

struct Scenario {
  const char* name;
  std::function<void(Pane&)> steps;
  Expect expect;
  std::function<void(const Pane&)> more;  // further checks, may be empty
};

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

class ControlPaneScenario : public testing::TestWithParam<Scenario> {};

TEST_P(ControlPaneScenario, Run) {
  const Scenario& s = GetParam();
  Pane pane;
  pane.model.Open();
  s.steps(pane);
  const Expect& e = s.expect;
  EXPECT_EQ(pane.site.runRequests, e.runRequests);
  EXPECT_EQ(pane.Settings(), e.settings);
  EXPECT_EQ(pane.site.IntParam(5), e.mode);
  EXPECT_EQ(pane.site.ok, e.ok);
  EXPECT_EQ(pane.site.display, e.display);
  EXPECT_EQ(pane.site.displayEnabled, e.displayEnabled);
  EXPECT_EQ(pane.site.fieldsEnabled, e.fieldsEnabled);
  if (s.more) s.more(pane);
}

const Scenario kScenarios[] = {
    {"opening_runs_nothing_and_shows_the_original",
     [](Pane& p) { p.Poll(); },
     {0, {0, 0, 0}, 0, false, PaneDisplay::kOriginal, false, false},
     [](const Pane& p) {
       EXPECT_EQ(p.site.fields, (std::vector<int>{0, 0, 0}));
       EXPECT_EQ(p.site.checked, PaneMode::kNormal);
       EXPECT_EQ(p.site.picture, "D:\\pics\\b.jpg");
       EXPECT_TRUE(p.site.errors.empty());
       EXPECT_EQ(p.model.RememberedIndex(), 1);
     }},
    {"typing_a_value_writes_it_and_asks_for_one_run",
     [](Pane& p) {
       p.Type(0, -25);
       p.Poll();
       p.Poll();
     },
     {1, {-25, 0, 0}, 0, false, PaneDisplay::kOriginal, false, false}, nullptr},
    {"a_poll_writes_the_checked_mode_with_the_values",
     [](Pane& p) {
       p.model.OnModeClicked(PaneMode::kOnlyColor);
       p.Type(2, 40);
     },
     {1, {0, 0, 40}, 2, false, PaneDisplay::kOriginal, false, false}, nullptr},
    {"a_finished_run_shows_the_result_and_enables_everything",
     [](Pane& p) {
       p.Type(1, 30);
       p.RunToEnd();
     },
     {1, {0, 30, 0}, 0, true, PaneDisplay::kResult, true, true}, nullptr},
    {"a_mode_click_before_any_template_changes_only_the_mode",
     [](Pane& p) {
       p.Type(0, 10);
       p.RunToEnd();
       p.model.OnModeClicked(PaneMode::kOnlyBrightness);
       p.Poll();
     },
     {1, {10, 0, 0}, 1, true, PaneDisplay::kResult, true, true},
     [](const Pane& p) { EXPECT_EQ(p.site.checked, PaneMode::kOnlyBrightness); }},
    {"a_mode_click_after_a_template_zeroes_all_settings_and_runs_once",
     [](Pane& p) {
       p.model.OnSelectTemplate();
       p.model.OnTemplateChosen(0);
       p.RunToEnd();
       p.Type(0, 10);
       p.Type(1, 20);
       p.Type(2, 30);
       p.RunToEnd();
       p.site.runRequests = 0;
       p.model.OnModeClicked(PaneMode::kOnlyColor);
       // The fields were set to 0 with the settings: nothing to change.
       p.Poll();
       p.Poll();
     },
     {1, {0, 0, 0}, 2, false, PaneDisplay::kResult, false, false},
     [](const Pane& p) { EXPECT_EQ(p.site.fields, (std::vector<int>{0, 0, 0})); }},
    {"a_mode_click_during_a_run_stops_it_first",
     [](Pane& p) {
       p.model.OnSelectTemplate();
       p.model.OnTemplateChosen(0);
       p.site.running = true;
       p.model.OnModeClicked(PaneMode::kOnlyBrightness);
     },
     {2, {0, 0, 0}, 1, false, PaneDisplay::kOriginal, false, false},
     [](const Pane& p) { EXPECT_EQ(p.site.stops, 1); }},
    {"original_and_result_toggle_ok_without_a_run",
     [](Pane& p) {
       p.Type(0, 5);
       p.RunToEnd();
       p.model.OnDisplayChosen(PaneDisplay::kOriginal);
       EXPECT_FALSE(p.site.ok);
       EXPECT_EQ(p.site.shown, "original");
       p.model.OnDisplayChosen(PaneDisplay::kResult);
     },
     {1, {5, 0, 0}, 0, true, PaneDisplay::kResult, true, true},
     [](const Pane& p) { EXPECT_EQ(p.site.shown, "result"); }},
    {"result_chosen_during_a_run_is_ignored",
     [](Pane& p) {
       p.Type(0, 5);
       p.RunToEnd();
       p.model.OnDisplayChosen(PaneDisplay::kOriginal);
       p.site.running = true;  // a double-click started a run
       p.site.display = PaneDisplay::kResult;  // the user clicked "Result"
       p.model.OnDisplayChosen(PaneDisplay::kResult);
     },
     {1, {5, 0, 0}, 0, false, PaneDisplay::kOriginal, true, true},
     [](const Pane& p) { EXPECT_EQ(p.site.shown, "original"); }},
    {"select_template_during_a_run_stops_it_and_shows_the_cancelled_caption",
     [](Pane& p) {
       p.Type(0, 5);
       p.RunToEnd();
       p.Type(0, 6);
       p.site.running = true;
       p.model.OnSelectTemplate();
     },
     // The last result is still shown: OK and the list come back with it.
     {2, {6, 0, 0}, 0, true, PaneDisplay::kResult, true, true},
     [](const Pane& p) {
       EXPECT_EQ(p.site.stops, 1);
       EXPECT_EQ(p.site.caption, "...Cancelled...\nSelect Template image");
       EXPECT_EQ(p.site.picture, "");
       EXPECT_EQ(p.site.browserOpenedAt, std::vector<int>{1});
     }},
    {"select_template_opens_the_browser_on_the_remembered_picture",
     [](Pane& p) { p.model.OnSelectTemplate(); },
     {0, {0, 0, 0}, 0, false, PaneDisplay::kOriginal, false, false},
     [](const Pane& p) {
       EXPECT_EQ(p.site.scanned, std::vector<std::string>{"D:\\pics\\"});
       EXPECT_EQ(p.site.browserOpenedAt, std::vector<int>{1});
       EXPECT_TRUE(p.model.BrowserOpen());
     }},
    {"a_second_click_while_the_browser_is_open_does_nothing",
     [](Pane& p) {
       p.model.OnSelectTemplate();
       p.model.OnSelectTemplate();
     },
     {0, {0, 0, 0}, 0, false, PaneDisplay::kOriginal, false, false},
     [](const Pane& p) { EXPECT_EQ(p.site.browserOpenedAt.size(), 1u); }},
    {"a_chosen_template_zeroes_the_settings_and_runs_once",
     [](Pane& p) {
       p.Type(0, 50);
       p.RunToEnd();
       p.model.OnModeClicked(PaneMode::kOnlyColor);
       p.Type(1, 20);
       p.RunToEnd();
       p.site.runRequests = 0;
       p.model.OnSelectTemplate();
       p.model.OnTemplateChosen(0);
       p.Poll();
       p.Poll();
     },
     {1, {0, 0, 0}, 0, false, PaneDisplay::kResult, false, true},
     [](const Pane& p) {
       EXPECT_EQ(p.site.TextParam(3), "D:\\pics\\a.jpg");
       EXPECT_EQ(p.site.IntParam(6), 0);
       EXPECT_EQ(p.site.checked, PaneMode::kNormal);
       EXPECT_EQ(p.site.picture, "D:\\pics\\a.jpg");
       EXPECT_FALSE(p.model.NoTemplateChosenYet());
       EXPECT_FALSE(p.model.BrowserOpen());
     }},
    {"an_empty_folder_asks_for_another_until_one_has_pictures",
     [](Pane& p) {
       p.site.texts[4] = "";
       p.site.browseAnswers = {"F:\\empty\\", "E:\\more\\"};
       p.model.OnSelectTemplate();
     },
     {0, {0, 0, 0}, 0, false, PaneDisplay::kOriginal, false, false},
     [](const Pane& p) {
       EXPECT_EQ(p.site.questions, (std::vector<std::string>{
                                       "NO images at folder C:\\\nPlease select another folder.",
                                       "NO images at folder F:\\empty\\\nPlease select another folder."}));
       EXPECT_EQ(p.site.browsedFrom, (std::vector<std::string>{"C:\\", "F:\\empty\\"}));
       EXPECT_EQ(p.site.TextParam(4), "E:\\more\\");
       EXPECT_EQ(p.site.browserOpenedAt.size(), 1u);
     }},
    {"cancel_in_the_empty_folder_question_abandons_the_choice",
     [](Pane& p) {
       p.site.texts[4] = "F:\\empty\\";
       p.site.answerOk = false;
       p.model.OnSelectTemplate();
     },
     {0, {0, 0, 0}, 0, false, PaneDisplay::kOriginal, false, false},
     [](const Pane& p) {
       EXPECT_EQ(p.site.questions.size(), 1u);
       EXPECT_TRUE(p.site.browsedFrom.empty());
       EXPECT_TRUE(p.site.browserOpenedAt.empty());
     }},
    {"a_cancelled_folder_browser_ends_the_empty_folder_loop",
     [](Pane& p) {
       p.site.texts[4] = "F:\\empty\\";
       p.model.OnSelectTemplate();  // OK to the question, then Cancel in the browser
     },
     {0, {0, 0, 0}, 0, false, PaneDisplay::kOriginal, false, false},
     [](const Pane& p) {
       EXPECT_EQ(p.site.questions.size(), 1u);
       EXPECT_EQ(p.site.browsedFrom.size(), 1u);
       EXPECT_EQ(p.site.TextParam(4), "F:\\empty\\");
       EXPECT_TRUE(p.site.browserOpenedAt.empty());
     }},
    {"default_folder_makes_its_first_picture_the_template",
     [](Pane& p) {
       p.site.folders["C:\\"] = {"C:\\x.bmp", "C:\\y.bmp"};
       p.model.OnSelectTemplate();
       p.model.OnFolderCommand(ui::FolderCommand::kDefaultFolder);
     },
     {1, {0, 0, 0}, 0, false, PaneDisplay::kOriginal, false, false},
     [](const Pane& p) {
       EXPECT_EQ(p.site.TextParam(4), "C:\\");
       EXPECT_EQ(p.site.TextParam(3), "C:\\x.bmp");
       EXPECT_EQ(p.site.browserCloses, 1);
       EXPECT_EQ(p.site.browserOpenedAt, (std::vector<int>{1, 0}));
       EXPECT_TRUE(p.model.BrowserOpen());
     }},
    {"change_folder_cancelled_applies_the_remembered_template_again",
     [](Pane& p) {
       p.model.OnSelectTemplate();
       p.model.OnFolderCommand(ui::FolderCommand::kChangeFolder);
     },
     {1, {0, 0, 0}, 0, false, PaneDisplay::kOriginal, false, false},
     [](const Pane& p) {
       EXPECT_EQ(p.site.TextParam(4), "D:\\pics\\");
       EXPECT_EQ(p.site.TextParam(3), "D:\\pics\\b.jpg");
     }},
    {"a_folder_command_arriving_during_another_is_dropped",
     [](Pane& p) {
       p.site.folders["C:\\"] = {"C:\\x.bmp"};
       p.model.OnSelectTemplate();
       p.site.browseAnswers = {"E:\\more\\"};
       // While the folder browser of "Change Folder" runs its message loop,
       // the folder bar posts "Default Folder".
       p.site.duringBrowse = [&p] {
         p.site.duringBrowse = nullptr;
         p.model.OnFolderCommand(ui::FolderCommand::kDefaultFolder);
       };
       p.model.OnFolderCommand(ui::FolderCommand::kChangeFolder);
       // Once it has ended, a new command is taken again.
       p.model.OnFolderCommand(ui::FolderCommand::kDefaultFolder);
     },
     {2, {0, 0, 0}, 0, false, PaneDisplay::kOriginal, false, false},
     [](const Pane& p) {
       EXPECT_EQ(p.site.scanned, (std::vector<std::string>{"D:\\pics\\", "E:\\more\\", "C:\\"}));
       EXPECT_EQ(p.site.browserCloses, 2);
       EXPECT_EQ(p.site.TextParam(3), "C:\\x.bmp");
     }},
    {"a_loaded_preset_survives_the_next_poll",
     [](Pane& p) {
       p.site.ints[0] = 12;
       p.site.ints[1] = -7;
       p.site.ints[2] = 3;
       p.site.ints[5] = 2;
       p.model.OnPresetLoaded();
       p.Poll();
     },
     {0, {12, -7, 3}, 2, false, PaneDisplay::kOriginal, false, false},
     [](const Pane& p) {
       EXPECT_EQ(p.site.fields, (std::vector<int>{12, -7, 3}));
       EXPECT_EQ(p.site.checked, PaneMode::kOnlyColor);
     }},
};

INSTANTIATE_TEST_SUITE_P(Scenarios, ControlPaneScenario, testing::ValuesIn(kScenarios),
                         [](const testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

TEST(ControlPaneModelTest, TheTemplatePictureIsShownOrExplained) {
  struct Case {
    const char* path;
    const char* picture;
    std::vector<std::string> errors;
  };
  const Case cases[] = {
      {"D:\\pics\\a.jpg", "D:\\pics\\a.jpg", {}},
      // No template was ever chosen: nothing to show and nothing to say.
      {"", "", {}},
      {"D:\\pics\\noextension", "", {"Unknown file extension"}},
      {"D:\\pics.d\\noextension", "", {"Unknown file extension"}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.path);
    FakeSite site;
    site.texts[3] = k.path;
    CControlPaneModel model(site);
    model.Open();
    EXPECT_EQ(site.picture, k.picture);
    EXPECT_EQ(site.errors, k.errors);
  }
}

TEST(ControlPaneModelTest, ToolHints) {
  EXPECT_EQ(CControlPaneModel::ToolHint(32776),
            std::optional<std::string>("Click to zoom in. Right-click to zoom out. Use mouse wheel to zoom."));
  EXPECT_EQ(CControlPaneModel::ToolHint(32778),
            std::optional<std::string>("Click and drag to scroll image in desired direction."));
  EXPECT_EQ(CControlPaneModel::ToolHint(0), std::nullopt);
}

}  // namespace
