#include "host/Dispatcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "host/PluginApp.h"
#include "image/Status.h"
#include "tests/support/MessageBoxRecorder.h"

namespace {

FilterRecord PatternRecord() {
  FilterRecord record;
  std::memset(&record, 0xA5, sizeof record);
  return record;
}

FilterRecord Document(int16 planes, int16 rows, int16 columns, int16 mode) {
  FilterRecord record;
  std::memset(&record, 0, sizeof record);
  record.planes = planes;
  record.imageSize = Point{rows, columns};
  record.imageMode = mode;
  record.autoMask = true;
  return record;
}

void ExpectWholeImageRequested(const FilterRecord& r, int16 rows, int16 columns, int16 planes) {
  for (const Rect* rect : {&r.inRect, &r.outRect, &r.maskRect}) {
    EXPECT_EQ(0, rect->top);
    EXPECT_EQ(0, rect->left);
    EXPECT_EQ(rows, rect->bottom);
    EXPECT_EQ(columns, rect->right);
  }
  EXPECT_EQ(0, r.inLoPlane);
  EXPECT_EQ(planes - 1, r.inHiPlane);
  EXPECT_EQ(0, r.outLoPlane);
  EXPECT_EQ(planes - 1, r.outHiPlane);
  EXPECT_EQ(0, r.autoMask);
}

TEST(DispatcherTest, UnknownSelectorsCallNothingAndLeaveTheResult) {
  CPluginApp app;
  MessageBoxRecorder boxes;
  for (int16 selector : {int16(6), int16(-1), int16(100), int16(-32768)}) {
    SCOPED_TRACE(selector);
    FilterRecord record = PatternRecord();
    const FilterRecord before = record;
    int16 result = 1234;
    DispatchSelector(app, selector, &record, nullptr, &result);
    EXPECT_EQ(1234, result);
    EXPECT_EQ(0, std::memcmp(&before, &record, sizeof record));
  }
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(DispatcherTest, PrepareAndFinishAnswerZeroAndTouchNothing) {
  CPluginApp app;
  for (int16 selector : {filterSelectorPrepare, filterSelectorFinish}) {
    SCOPED_TRACE(selector);
    FilterRecord record = PatternRecord();
    const FilterRecord before = record;
    std::intptr_t data = 77;
    int16 result = 1234;
    DispatchSelector(app, selector, &record, &data, &result);
    EXPECT_EQ(noErr, result);
    EXPECT_EQ(0, std::memcmp(&before, &record, sizeof record));
    EXPECT_EQ(77, data);
  }
}

TEST(DispatcherTest, ParametersAndStartRequestTheWholeImageAndAllPlanes) {
  CPluginApp app;
  struct Case {
    int16 selector, planes, rows, columns;
  };
  for (const Case& c : {Case{filterSelectorStart, 3, 480, 640}, Case{filterSelectorStart, 4, 480, 640},
                        Case{filterSelectorParameters, 3, 100, 200}, Case{filterSelectorStart, 5, 1, 1}}) {
    SCOPED_TRACE(testing::Message() << "selector " << c.selector << ", " << c.planes << " planes");
    FilterRecord record = Document(c.planes, c.rows, c.columns, plugInModeRGBColor);
    int16 result = 1234;
    DispatchSelector(app, c.selector, &record, nullptr, &result);
    EXPECT_EQ(noErr, result);
    ExpectWholeImageRequested(record, c.rows, c.columns, c.planes);
  }
}

TEST(DispatcherTest, PluginRefusesEveryModeButRgbWithOneMessage) {
  CPluginApp app;
  for (int16 mode : {plugInModeGrayScale, plugInModeCMYKColor, plugInModeLabColor, plugInModeRGB48}) {
    SCOPED_TRACE(mode);
    MessageBoxRecorder boxes;
    FilterRecord record = Document(3, 10, 10, mode);
    EXPECT_FALSE(app.CheckImageMode(&record, nullptr));
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ("File is wrong format.\nProgram requires RGB image (24 bit)", boxes.Boxes()[0].text);
    EXPECT_EQ("! Input Data Error !", boxes.Boxes()[0].caption);
    EXPECT_EQ(platform::MessageBoxButtons::kOk, boxes.Boxes()[0].buttons);
    EXPECT_EQ(nullptr, boxes.Boxes()[0].owner);
  }
  MessageBoxRecorder boxes;
  FilterRecord rgb = Document(3, 10, 10, plugInModeRGBColor);
  EXPECT_TRUE(app.CheckImageMode(&rgb, nullptr));
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(DispatcherTest, FrameworkAloneAcceptsGreyAndRgb) {
  CFilterApp base;
  MessageBoxRecorder boxes;
  FilterRecord grey = Document(1, 10, 10, plugInModeGrayScale);
  FilterRecord rgb = Document(3, 10, 10, plugInModeRGBColor);
  FilterRecord cmyk = Document(4, 10, 10, plugInModeCMYKColor);
  EXPECT_TRUE(base.CheckImageMode(&grey, nullptr));
  EXPECT_TRUE(base.CheckImageMode(&rgb, nullptr));
  EXPECT_FALSE(base.CheckImageMode(&cmyk, nullptr));
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_TRUE(base.RunDialog());
}

TEST(DispatcherTest, ContinueOnAWrongModeShowsTheMessageAndCancels) {
  CPluginApp app;
  MessageBoxRecorder boxes;
  FilterRecord record = Document(1, 10, 10, plugInModeGrayScale);
  int16 result = 1234;
  DispatchSelector(app, filterSelectorContinue, &record, nullptr, &result);
  EXPECT_EQ(userCanceledErr, result);
  EXPECT_EQ(1u, boxes.Boxes().size());
}

class ThrowingApp : public CPluginApp {
 public:
  int16 OnPrepare(FilterRecord*, std::intptr_t*) override { RaiseError(keErrOutOfMemory); }
  int16 OnFinish(FilterRecord*, std::intptr_t*) override { throw std::runtime_error("boom"); }
  int16 OnStart(FilterRecord*, std::intptr_t*) override {
    CStatus unread(keErrBadArgument);  // raised when it goes out of scope
    return noErr;
  }
};

TEST(DispatcherTest, ExceptionsNeverReachTheHost) {
  ThrowingApp app;
  for (int16 selector : {filterSelectorPrepare, filterSelectorStart, filterSelectorFinish}) {
    SCOPED_TRACE(selector);
    FilterRecord record = Document(3, 10, 10, plugInModeRGBColor);
    int16 result = 1234;
    EXPECT_NO_THROW(DispatchSelector(app, selector, &record, nullptr, &result));
    EXPECT_EQ(userCanceledErr, result);
  }
}

// Handlers of a derived application that answer codes of their own.
class OddAnswersApp : public CPluginApp {
 public:
  int16 OnPrepare(FilterRecord*, std::intptr_t*) override { return filterBadParameters; }
  int16 OnStart(FilterRecord*, std::intptr_t*) override { return 1; }
  int16 OnFinish(FilterRecord*, std::intptr_t*) override { return filterBadMode; }
};

TEST(DispatcherTest, TheHostHearsOnlyZeroOrCancel) {
  OddAnswersApp app;
  for (int16 selector : {filterSelectorPrepare, filterSelectorStart, filterSelectorFinish}) {
    SCOPED_TRACE(selector);
    FilterRecord record = Document(3, 10, 10, plugInModeRGBColor);
    int16 result = 1234;
    DispatchSelector(app, selector, &record, nullptr, &result);
    EXPECT_EQ(userCanceledErr, result);
  }
  FilterRecord record = Document(3, 10, 10, plugInModeRGBColor);
  int16 result = 1234;
  DispatchSelector(app, filterSelectorParameters, &record, nullptr, &result);
  EXPECT_EQ(noErr, result);
}

TEST(DispatcherTest, AboutShowsFourLinesAndAnswersZeroWithoutARecord) {
  CPluginApp app;
  MessageBoxRecorder boxes;
  int16 result = 1234;
  DispatchSelector(app, filterSelectorAbout, nullptr, nullptr, &result);
  EXPECT_EQ(noErr, result);
  ASSERT_EQ(1u, boxes.Boxes().size());
  const std::string& text = boxes.Boxes()[0].text;
  EXPECT_EQ(3, std::count(text.begin(), text.end(), '\n')) << text;
}

}  // namespace
