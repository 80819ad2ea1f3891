// The built plug-in library driven through its exported entry point, as a
// host drives it: a zero-filled record, selectors one after another.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "host/FilterRecord.h"
#include "platform/DynamicLibrary.h"
#include "tests/host/PluginPath.h"

namespace {

class PluginLibraryTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(LoadBuiltPlugin(&m_library, &m_entry)); }

  int16 Call(int16 selector, FilterRecord* record) {
    std::intptr_t data = 0;
    int16 result = 4321;
    m_entry(selector, record, &data, &result);
    EXPECT_EQ(0, data) << "the data slot is never written";
    return result;
  }

  platform::DynamicLibrary m_library;
  EntryPointProc m_entry = nullptr;
};

TEST_F(PluginLibraryTest, AnswersTheSelectorsOfARun) {
  FilterRecord record;
  std::memset(&record, 0, sizeof record);
  record.imageSize = Point{48, 64};
  record.planes = 3;
  record.imageMode = plugInModeRGBColor;
  record.depth = 8;

  EXPECT_EQ(noErr, Call(filterSelectorParameters, &record));
  EXPECT_EQ(noErr, Call(filterSelectorPrepare, &record));
  EXPECT_EQ(noErr, Call(filterSelectorStart, &record));
  EXPECT_EQ(48, record.inRect.bottom);
  EXPECT_EQ(64, record.inRect.right);
  EXPECT_EQ(2, record.outHiPlane);
  EXPECT_EQ(noErr, Call(filterSelectorFinish, &record));
  EXPECT_EQ(noErr, Call(filterSelectorAbout, &record));
  EXPECT_EQ(4321, Call(6, &record));
}

TEST_F(PluginLibraryTest, RefusesAGreyDocument) {
  FilterRecord record;
  std::memset(&record, 0, sizeof record);
  record.imageSize = Point{8, 8};
  record.planes = 1;
  record.imageMode = plugInModeGrayScale;
  testing::internal::CaptureStderr();
  EXPECT_EQ(userCanceledErr, Call(filterSelectorContinue, &record));
  const std::string printed = testing::internal::GetCapturedStderr();
  EXPECT_NE(std::string::npos, printed.find("! Input Data Error !")) << printed;
}

}  // namespace
