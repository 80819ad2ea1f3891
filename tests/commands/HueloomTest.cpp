#include "commands/Hueloom.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "commands/RunAndWait.h"
#include "platform/File.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/PictureFixtures.h"
#include "tests/support/TempDir.h"
#include "transfer/MatrixFile.h"

namespace {

class HueloomTest : public testing::Test {
 protected:
  void SetUp() override {
    m_source = SourcePicture(48, 32);
    m_templatePath = m_dir.File("template.bmp");
    WriteBmp(TemplatePicture(20, 16), m_templatePath);
    m_command.Input().Copy(m_source).RaiseIfError();
    for (int i : {keParamRadius, keParamColor, keParamBlend, keParamAlternativeMode}) {
      m_command.Params().GetByIndex(i)->SetInt(0);
    }
  }
  // Runs with `file` as the template; answers whether the run finished.
  bool RunWith(const std::string& file) {
    m_command.Params().GetByIndex(keParamFilename)->SetText(file);
    return StartAndWait(m_command);
  }

  TempDir m_dir;
  CImageBuffer m_source;
  std::string m_templatePath;
  Hueloom m_command{false};
};

TEST_F(HueloomTest, PictureTemplateRepaintsTheSource) {
  MessageBoxRecorder boxes;
  ASSERT_TRUE(RunWith(m_templatePath));
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(48, m_command.Output().Width());
  EXPECT_FALSE(SamePixels(m_source, m_command.Output()));

  // The extension is lower-cased first; a wrong extension falls back to detection.
  CImageBuffer first;
  first.Copy(m_command.Output()).RaiseIfError();
  for (const char* name : {"UPPER.BMP", "renamed.gif"}) {
    SCOPED_TRACE(name);
    const std::string renamed = m_dir.File(name);
    std::filesystem::copy_file(m_templatePath, renamed, std::filesystem::copy_options::overwrite_existing);
    ASSERT_TRUE(RunWith(renamed));
    EXPECT_TRUE(SamePixels(first, m_command.Output()));
  }
  EXPECT_TRUE(boxes.Boxes().empty());
}

// A command runs again and again (the dialog's runs): the template's figures
// serve the next run only while its file holds the same bytes and the mode
// decorrelates alike; every run repaints as a new command would.
TEST_F(HueloomTest, RunsAgainAsANewCommandWould) {
  auto fresh = [this](int mode) {
    Hueloom command(false);
    command.Input().Copy(m_source).RaiseIfError();
    for (int i : {keParamRadius, keParamColor, keParamBlend}) command.Params().GetByIndex(i)->SetInt(10);
    command.Params().GetByIndex(keParamAlternativeMode)->SetInt(mode);
    command.Params().GetByIndex(keParamFilename)->SetText(m_templatePath);
    EXPECT_TRUE(StartAndWait(command));
    CImageBuffer output;
    output.Copy(command.Output()).RaiseIfError();
    return output;
  };
  for (int i : {keParamRadius, keParamColor, keParamBlend}) m_command.Params().GetByIndex(i)->SetInt(10);
  const CImageBuffer first = fresh(0);
  ASSERT_TRUE(RunWith(m_templatePath));
  EXPECT_TRUE(SamePixels(first, m_command.Output()));
  ASSERT_TRUE(RunWith(m_templatePath));
  EXPECT_TRUE(SamePixels(first, m_command.Output()));

  // The same size, other colours: the file changed under the same name.
  WriteBmp(SourcePicture(20, 16), m_templatePath);
  const CImageBuffer changed = fresh(0);
  ASSERT_FALSE(SamePixels(first, changed));
  ASSERT_TRUE(RunWith(m_templatePath));
  EXPECT_TRUE(SamePixels(changed, m_command.Output()));

  for (int mode : {1, 2, 1}) {
    SCOPED_TRACE(mode);
    m_command.Params().GetByIndex(keParamAlternativeMode)->SetInt(mode);
    ASSERT_TRUE(RunWith(m_templatePath));
    EXPECT_TRUE(SamePixels(fresh(mode), m_command.Output()));
  }
}

TEST_F(HueloomTest, RefusedTemplatesLeaveTheDestinationAsTheSource) {
  std::ofstream(m_dir.File("noise.jpg"), std::ios::binary) << "this is not a picture at all";
  struct Case {
    std::string file;
    const char* message;
  };
  const Case cases[] = {
      {m_dir.File("template"), "Unknown file extension"},
      {m_dir.File("template."), "Unknown file extension"},
      {m_dir.File("noise.jpg"), "Can't read the template picture noise.jpg"},
      {m_dir.File("missing.png"), "Can't read the template picture missing.png"},
      {m_dir.File("missing.img"), "Can't open file!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    MessageBoxRecorder boxes;
    ASSERT_TRUE(RunWith(c.file));  // the run itself ends normally
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ(0u, boxes.Boxes()[0].text.rfind(c.message, 0)) << boxes.Boxes()[0].text;
    EXPECT_EQ(platform::MessageBoxIcon::kError, boxes.Boxes()[0].icon);
    EXPECT_TRUE(SamePixels(m_source, m_command.Output()));
  }
}

TEST_F(HueloomTest, MatrixFileIsShownOverTheInvertedSource) {
  // 2 x 2 values 0, 1, 2, 4: greys 0, 63, 127, 255 in the top-left corner.
  std::vector<std::uint8_t> bytes(77, 0);
  bytes[0] = 2;
  bytes[4] = 2;
  for (float v : {0.0f, 1.0f, 2.0f, 4.0f}) {
    std::uint8_t b[4];
    std::memcpy(b, &v, 4);
    bytes.insert(bytes.end(), b, b + 4);
  }
  const std::string path = m_dir.File("matrix.IMG");
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
  // A document with transparency arrives as BGRA: drawn the same, its
  // fourth byte kept.
  CImageBuffer withAlpha;
  withAlpha.CreateBGRA(48, 32).RaiseIfError();
  for (int y = 0; y < 32; ++y) {
    CRowReader s(m_source, y);
    CRowWriter w(withAlpha, y);
    for (int x = 0; x < 48; ++x) {
      for (int c = 0; c < 3; ++c) w.Row()[4 * x + c] = s.Row()[3 * x + c];
      w.Row()[4 * x + 3] = static_cast<std::uint8_t>(x * 5 + y);
    }
  }
  for (int bytesPerPixel : {3, 4}) {
    SCOPED_TRACE(bytesPerPixel);
    if (bytesPerPixel == 4) m_command.Input().Copy(withAlpha).RaiseIfError();
    MessageBoxRecorder boxes;
    ASSERT_TRUE(RunWith(path));
    EXPECT_TRUE(boxes.Boxes().empty());
    const CImageBuffer& out = m_command.Output();
    ASSERT_EQ(bytesPerPixel == 4 ? keFormatBGRA : keFormatBGR, out.AccessFormat());
    const std::uint8_t expected[2][2] = {{0, 63}, {127, 255}};
    for (int y = 0; y < 32; ++y) {
      CRowReader o(out, y), s(m_source, y);
      for (int x = 0; x < 48; ++x) {
        const std::uint8_t* pixel = o.Row() + bytesPerPixel * x;
        for (int c = 0; c < 3; ++c) {
          const int want = (x < 2 && y < 2) ? expected[y][x] : 255 - s.Row()[3 * x + c];
          ASSERT_EQ(want, pixel[c]) << x << "," << y;
        }
        if (bytesPerPixel == 4) {
          ASSERT_EQ(static_cast<std::uint8_t>(x * 5 + y), pixel[3]) << x << "," << y;
        }
      }
    }
  }
}

TEST_F(HueloomTest, StoredSettingsAreLoadedAndSavedOnlyWhenAsked) {
  Hueloom command(false);
  EXPECT_EQ(3, command.IntParam(keParamRadius));  // the table's initial value
  EXPECT_EQ("Hueloom", command.Name());
  EXPECT_EQ("Hueloom", command.Params().Name());
  EXPECT_EQ("", command.TextParam(keParamFilename));
  EXPECT_EQ(0, command.IntParam(keParamFilename));
}

}  // namespace
