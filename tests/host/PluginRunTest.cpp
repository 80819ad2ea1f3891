// Whole filter runs through the built plug-in's ENTRYPOINT, as an editor
// drives them, on the settings the store holds (the plug-in run without a
// dialog applies the user's last settings).

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "commands/Hueloom.h"
#include "host/ExchangeRun.h"
#include "host/HostExchange.h"
#include "platform/DynamicLibrary.h"
#include "platform/Registry.h"
#include "tests/host/HostDocument.h"
#include "tests/host/PluginPath.h"
#include "tests/support/PictureFixtures.h"
#include "tests/support/SettingsSandbox.h"
#include "tests/support/TempDir.h"

namespace {

constexpr char kCommandKey[] = "Hueloom";

class PluginRunTest : public testing::Test {
 public:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(LoadBuiltPlugin(&m_library, &m_entry));
    m_template = m_sandbox.Dir().File("template.bmp");
    WriteBmp(TemplatePicture(24, 18), m_template);
    StoreSettings(m_template, 10, -20, 15, 0);
  }

  void TearDown() override {
    // The plug-in saved its settings under the command's own key.
    platform::DeleteCurrentUserKey(kSettingsKey, kCommandKey);
  }

  // What the store holds when the plug-in starts.
  void StoreSettings(const std::string& file, int brightness, int colour, int fade, int mode) {
    platform::DeleteCurrentUserKey(kSettingsKey, kCommandKey);
    CParamSet set;
    set.SetName(kCommandKey);
    BuildHueloomParams(&set);
    set.GetByIndex(keParamFilename)->SetText(file);
    set.GetByIndex(keParamRadius)->SetInt(brightness);
    set.GetByIndex(keParamColor)->SetInt(colour);
    set.GetByIndex(keParamBlend)->SetInt(fade);
    set.GetByIndex(keParamAlternativeMode)->SetInt(mode);
    ASSERT_EQ(0, set.SaveToRegistry());
    m_brightness = brightness, m_colour = colour, m_fade = fade, m_mode = mode;
  }

  // The selectors of a filter run; the answer of the first that fails.
  int16 DriveRun(HostDocument& doc) {
    std::intptr_t data = 0;
    for (int16 selector : {filterSelectorParameters, filterSelectorPrepare, filterSelectorStart}) {
      int16 result = 1;
      m_entry(selector, &doc.Record(), &data, &result);
      if (result != noErr) return result;
    }
    int16 result = 1;
    m_entry(filterSelectorContinue, &doc.Record(), &data, &result);
    if (result != noErr) return result;
    m_entry(filterSelectorFinish, &doc.Record(), &data, &result);
    return result;
  }

  // The same run in this process, through the exchange and the command
  // directly: what the plug-in's output must equal.
  std::vector<std::uint8_t> Reference(HostDocument& doc) {
    FilterRecord record = doc.Record();
    // The rectangles as the start step set them (the run emptied them).
    const Rect whole{0, 0, record.imageSize.v, record.imageSize.h};
    record.inRect = record.outRect = record.maskRect = whole;
    std::vector<std::uint8_t> out = doc.InBytes();
    record.outData = out.data();
    CHostExchange exchange;
    exchange.SetFilterRecord(&record);
    EXPECT_TRUE(exchange.ReadFromHost());
    Hueloom command(false);
    command.Params().GetByIndex(keParamFilename)->SetText(m_template);
    command.Params().GetByIndex(keParamRadius)->SetInt(m_brightness);
    command.Params().GetByIndex(keParamColor)->SetInt(m_colour);
    command.Params().GetByIndex(keParamBlend)->SetInt(m_fade);
    command.Params().GetByIndex(keParamAlternativeMode)->SetInt(m_mode);
    std::string error;
    EXPECT_TRUE(RunOnExchange(exchange, command, {}, &error)) << error;
    EXPECT_TRUE(exchange.WriteToHost());
    return out;
  }

  static HostDocument Picture(int width, int height, int planes) {
    HostDocument doc(width, height, planes);
    CImageBuffer picture = SourcePicture(width, height);
    // The document shows the source picture in its colour planes.
    auto& record = doc.Record();
    auto* in = static_cast<std::uint8_t*>(record.inData);
    for (int y = 0; y < height; ++y) {
      CRowReader row(picture, y);
      for (int x = 0; x < width; ++x) {
        std::uint8_t* p = in + (static_cast<std::size_t>(y) * width + x) * planes;
        p[0] = row.Row()[3 * x + 2], p[1] = row.Row()[3 * x + 1], p[2] = row.Row()[3 * x];
      }
    }
    doc.ResetOutput();
    return doc;
  }

  SettingsSandbox m_sandbox;
  platform::DynamicLibrary m_library;
  EntryPointProc m_entry = nullptr;
  std::string m_template;
  int m_brightness = 0, m_colour = 0, m_fade = 0, m_mode = 0;
};

TEST_F(PluginRunTest, WholeImageIsRepaintedAndTheRectanglesEmptied) {
  HostDocument doc = Picture(64, 48, 3);
  ASSERT_EQ(noErr, DriveRun(doc));
  EXPECT_NE(doc.InBytes(), doc.OutBytes());
  EXPECT_EQ(Reference(doc), doc.OutBytes());
  EXPECT_EQ(0, doc.Record().inRect.right);
  EXPECT_EQ(0, doc.Record().outRect.bottom);
}

TEST_F(PluginRunTest, SelectionsChangeOnlyWhatTheyCover) {
  struct Case {
    const char* what;
    std::function<std::uint8_t(int, int)> mask;
  };
  const Case cases[] = {
      {"rectangle (10, 20)-(49, 59)",
       [](int x, int y) -> std::uint8_t { return x >= 10 && x <= 49 && y >= 20 && y <= 59 ? 255 : 0; }},
      {"feathered", [](int x, int y) -> std::uint8_t {
         const int d = (x - 50) * (x - 50) + (y - 50) * (y - 50);
         return d >= 1600 ? 0 : static_cast<std::uint8_t>(255 - d * 255 / 1600);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HostDocument doc = Picture(100, 100, 3);
    doc.Select(c.mask);
    ASSERT_EQ(noErr, DriveRun(doc));
    EXPECT_EQ(Reference(doc), doc.OutBytes());
    int changed = 0;
    for (int y = 0; y < 100; ++y) {
      for (int x = 0; x < 100; ++x) {
        const bool same = doc.Out(x, y, 0) == doc.In(x, y, 0) && doc.Out(x, y, 1) == doc.In(x, y, 1) &&
                          doc.Out(x, y, 2) == doc.In(x, y, 2);
        if (c.mask(x, y) == 0) {
          ASSERT_TRUE(same) << x << "," << y;
        }
        changed += same ? 0 : 1;
      }
    }
    EXPECT_GT(changed, 100);
  }
}

TEST_F(PluginRunTest, FloatingSelectionIsRepaintedWhole) {
  HostDocument plain = Picture(40, 30, 3);
  ASSERT_EQ(noErr, DriveRun(plain));
  HostDocument floating = Picture(40, 30, 3);
  floating.Select([](int x, int) -> std::uint8_t { return x < 5 ? 255 : 0; });
  floating.Record().isFloating = 1;
  ASSERT_EQ(noErr, DriveRun(floating));
  EXPECT_EQ(plain.OutBytes(), floating.OutBytes());
}

// The colour planes are repainted; transparency, a layer mask and further
// planes come back as they were.
TEST_F(PluginRunTest, TransparencyLayerMasksAndExtraPlanesAreKept) {
  struct Case {
    const char* what;
    int planes;
    int16 transparency, layerMasks;
  };
  const Case cases[] = {
      {"transparency", 4, 1, 0},
      {"transparency and one more plane", 5, 1, 0},
      {"a layer mask", 4, 0, 1},
      {"transparency and a layer mask", 5, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HostDocument doc = Picture(32, 24, c.planes);
    doc.Record().inTransparencyMask = c.transparency;
    doc.Record().inLayerMasks = c.layerMasks;
    ASSERT_EQ(noErr, DriveRun(doc));
    EXPECT_NE(doc.InBytes(), doc.OutBytes());
    EXPECT_EQ(Reference(doc), doc.OutBytes());
    for (int y = 0; y < 24; ++y) {
      for (int x = 0; x < 32; ++x) {
        for (int p = 3; p < c.planes; ++p) ASSERT_EQ(doc.In(x, y, p), doc.Out(x, y, p));
      }
    }
  }
}

TEST_F(PluginRunTest, RefusedRunsLeaveTheOutputUntouched) {
  struct Case {
    const char* what;
    std::function<void(PluginRunTest*, HostDocument*)> prepare;
  };
  const Case cases[] = {
      {"an empty selection", [](PluginRunTest*, HostDocument* d) { d->Select([](int, int) { return 0; }); }},
      {"no template chosen", [](PluginRunTest* t, HostDocument*) { t->StoreSettings("", 0, 0, 0, 0); }},
      {"an undecodable template",
       [](PluginRunTest* t, HostDocument*) { t->StoreSettings(t->m_sandbox.Dir().File("none.png"), 0, 0, 0, 0); }},
      {"a grey document", [](PluginRunTest*, HostDocument* d) { d->Record().imageMode = plugInModeGrayScale; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HostDocument doc = Picture(20, 20, 3);
    c.prepare(this, &doc);
    testing::internal::CaptureStderr();
    EXPECT_EQ(userCanceledErr, DriveRun(doc));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(doc.InBytes(), doc.OutBytes());
  }
}

}  // namespace
