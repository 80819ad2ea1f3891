#include "commands/Presets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "commands/HueloomParams.h"
#include "imagefiles/FileType.h"
#include "platform/Folder.h"
#include "tests/commands/HueloomParamsFixture.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/TempDir.h"

namespace {

class PresetsTest : public HueloomParamsFixture {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = m_dir.File(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  TempDir m_dir;
};

TEST_F(PresetsTest, LinesAreParsedAsTheWriterWritesThem) {
  struct Case {
    const char* line;
    int index;
    const char* expected;  // the text or the integer as text
  };
  const Case cases[] = {
      {"\tRadius : 12", keParamRadius, "12"},
      {"\tRadius:12", keParamRadius, "12"},
      {"Radius 12", keParamRadius, "12"},
      {"Radius", keParamRadius, "3"},          // no value: the default stays
      {"radius : 12", keParamRadius, "3"},     // names are case-sensitive
      {"\tBlend :   -4\t ", keParamBlend, "-4"},
      {"\tBlend : x", keParamBlend, "0"},      // not a number
      {"\tFilename : C:\\a b\\c.jpg  ", keParamFilename, "C:\\a b\\c.jpg"},
      {"\tFilename : ::  spaced:value\t", keParamFilename, "spaced:value"},
      {"\tPath : dir\r", keParamPath, "dir"},  // a Windows line end
      {"   \t  ", keParamRadius, "3"},
      {"Unknown : 5", keParamRadius, "3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    m_set.GetByIndex(c.index)->SetText("changed");
    m_set.GetByIndex(c.index)->SetInt(99);
    const std::string path = Write("case.preset", std::string("Hueloom\n") + c.line + "\n");
    ASSERT_EQ(0, ReadPreset(path, &m_set));
    const std::string got = c.index == keParamFilename || c.index == keParamPath ? Text(c.index)
                                                                                   : std::to_string(Int(c.index));
    EXPECT_EQ(c.expected, got);
  }
}

TEST_F(PresetsTest, WrittenPresetReadsBackAndUnmentionedParametersGetDefaults) {
  m_set.GetByIndex(keParamRadius)->SetInt(-5);
  m_set.GetByIndex(keParamImageSelected)->SetInt(17);
  m_set.GetByIndex(keParamFilename)->SetText("C:\\My Templates\\a.jpg");
  const std::string path = m_dir.File("mine.preset");
  ASSERT_EQ(0, WritePreset(m_set, path));

  m_set.ResetDefaults();
  ASSERT_EQ(0, ReadPreset(path, &m_set));
  EXPECT_EQ(-5, Int(keParamRadius));
  EXPECT_EQ(17, Int(keParamImageSelected));
  EXPECT_EQ("C:\\My Templates\\a.jpg", Text(keParamFilename));

  const std::string onlyName = Write("name-only.preset", "Hueloom\n");
  ASSERT_EQ(0, ReadPreset(onlyName, &m_set));
  EXPECT_EQ(3, Int(keParamRadius));
  EXPECT_EQ(0, Int(keParamImageSelected));
  EXPECT_EQ("", Text(keParamFilename));
}

TEST_F(PresetsTest, UnreadableOrUnwritableFilesChangeNothing) {
  m_set.GetByIndex(keParamRadius)->SetInt(50);
  EXPECT_EQ(-1, ReadPreset(m_dir.File("missing.preset"), &m_set));
  EXPECT_EQ(50, Int(keParamRadius));
  EXPECT_LT(WritePreset(m_set, m_dir.File("no-such-folder/x.preset")), 0);
}

TEST_F(PresetsTest, NamesAndListing) {
  EXPECT_EQ("a.preset", PresetFileName("a.preset"));
  EXPECT_EQ("a.PRESET.preset", PresetFileName("a.PRESET"));
  EXPECT_EQ("warm tones.preset", PresetFileName("  warm tones "));
  EXPECT_EQ(".preset", PresetFileName(""));

  // Files whose names could not have been saved are not offered: an empty
  // entry, or one that would read as the initial settings.
  for (const char* name : {"a.preset", "a.PRESET.preset", ".preset", "b.Preset", "notes.txt", "preset",
                           "Default.preset", ".hidden.preset"}) {
    Write(name, "Hueloom\n");
  }
  std::filesystem::create_directory(m_dir.Path() / "folder.preset");
  auto names = ListPresets(m_dir.Path().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::string>{"a", "a.PRESET", "b"}), names);
  EXPECT_TRUE(ListPresets(m_dir.File("missing")).empty());

  // The folder's place is the platform's (tests/platform); its name is
  // "Presets" on Windows, "presets" in a configuration folder.
  const std::string folder = PresetsFolder();
  ASSERT_GE(folder.size(), 8u);
  EXPECT_EQ("presets", LowerCaseAscii(folder.substr(folder.size() - 8, 7)));
  EXPECT_EQ(platform::PathSeparator(), folder.back());
}

TEST_F(PresetsTest, OnlyPlainFileNamesNamePresets) {
  struct Case {
    std::string name;
    const char* problem;  // a word of the message, or nullptr when the name is accepted
  };
  const Case cases[] = {
      {"warm tones", nullptr},
      {"a.PRESET", nullptr},
      {"v1.2 (old)", nullptr},
      {"D\xC3\xA9" "faut", nullptr},  // bytes above 127 (other code pages, UTF-8) are kept
      {"CONSOLE", nullptr},
      {"COM10", nullptr},
      {std::string(200, 'n'), nullptr},
      {"", "needs a name"},
      {std::string(201, 'n'), "200 bytes"},
      {"../escape", "'/'"},
      {"sub/x", "'/'"},
      {"..\\escape", "'/'"},
      {"/etc/passwd", "'/'"},
      {"..", "'..'"},
      {"a..b", "'..'"},
      {".hidden", "start with '.'"},
      {"two\nlines", "control characters"},
      {"tab\there", "control characters"},
      {std::string("nul\0byte", 8), "control characters"},
      {"a:stream", "< > :"},
      {"what?", "< > :"},
      {"Default", "initial settings"},
      {"DEFAULT", "initial settings"},
      {"con", "device"},
      {"NUL.txt", "device"},
      {"com1", "device"},
      {"LPT9", "device"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string problem = PresetNameProblem(c.name);
    if (c.problem == nullptr) {
      EXPECT_EQ("", problem);
    } else {
      EXPECT_NE(std::string::npos, problem.find(c.problem)) << problem;
    }
  }
  // A typed name is asked as it will be saved: trimmed, without ".preset".
  EXPECT_EQ("", PresetSaveProblem("  warm.preset "));
  EXPECT_EQ("", PresetSaveProblem("a.PRESET"));
  for (const char* typed : {"", "   ", ".preset", " ../escape ", "Default.preset", "x/.preset"}) {
    SCOPED_TRACE(typed);
    EXPECT_NE("", PresetSaveProblem(typed));
  }
}

TEST_F(PresetsTest, DeleteRemovesTheFileAndForgetsTheCurrentPreset) {
  MessageBoxRecorder boxes;
  EXPECT_FALSE(DeletePreset("", false, false));
  EXPECT_TRUE(boxes.Boxes().empty());

  const std::string path = Write("old.preset", "Hueloom\n");
  CurrentPreset() = CurrentPresetInfo{"old.preset", path};
  EXPECT_TRUE(DeletePreset(path, false, false));
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ("", CurrentPreset().fileName);

  CurrentPreset() = CurrentPresetInfo{"gone.preset", m_dir.File("gone.preset")};
  EXPECT_FALSE(DeletePreset(m_dir.File("gone.preset"), false, false));
  ASSERT_EQ(1u, boxes.Boxes().size());
  EXPECT_EQ("Can't delete preset", boxes.Boxes()[0].text);
  EXPECT_EQ("gone.preset", CurrentPreset().fileName);
  CurrentPreset() = CurrentPresetInfo();
}

}  // namespace
