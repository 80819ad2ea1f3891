#include "host/HostExchange.h"

#include <gtest/gtest.h>

#include <functional>

#include "host/FilterApp.h"
#include "tests/host/HostDocument.h"

namespace {

// The framework application with a dialog step the test decides.
class ScriptedApp : public CFilterApp {
 public:
  std::function<bool(CHostExchange&)> dialog = [](CHostExchange&) { return true; };
  bool RunDialog() override { return dialog(Exchange()); }
};

int16 Continue(CFilterApp& app, HostDocument& doc) { return app.OnContinue(&doc.Record(), nullptr); }

bool RectIsZero(const Rect& r) { return r.top == 0 && r.left == 0 && r.bottom == 0 && r.right == 0; }

// Paints every source pixel with one byte value: the "result" of a run.
void Paint(CImageBuffer& buffer, std::uint8_t value) {
  const int bytes = FormatBitsPerPixel(buffer.AccessFormat()) / 8;
  for (int y = 0; y < buffer.Height(); ++y) {
    CRowWriter row(buffer, y);
    std::fill_n(row.Row(), buffer.Width() * bytes, value);
  }
}

TEST(HostExchangeTest, RgbArrivesAsBgrAndGoesBackUnchanged) {
  HostDocument doc(4, 2, 3);
  doc.ClearOutput(0);
  ScriptedApp app;
  bool checked = false;
  app.dialog = [&](CHostExchange& ex) {
    CImageBuffer& src = ex.SourceImage();
    EXPECT_EQ(keFormatBGR, src.StorageFormat());
    EXPECT_EQ(4, src.Width());
    EXPECT_EQ(2, src.Height());
    CRowReader row(src, 1);
    EXPECT_EQ(doc.In(2, 1, 2), row.Row()[6]);  // R, G, B -> B, G, R
    EXPECT_EQ(doc.In(2, 1, 0), row.Row()[8]);
    EXPECT_FALSE(ex.OriginalImage().IsEmpty());
    checked = true;
    return true;
  };
  EXPECT_EQ(noErr, Continue(app, doc));
  EXPECT_TRUE(checked);
  EXPECT_EQ(doc.InBytes(), doc.OutBytes());
  EXPECT_TRUE(RectIsZero(doc.Record().inRect));
  EXPECT_TRUE(RectIsZero(doc.Record().outRect));
  EXPECT_TRUE(RectIsZero(doc.Record().maskRect));
  EXPECT_EQ(0, doc.Record().autoMask);
}

TEST(HostExchangeTest, CancelledRunWritesNothing) {
  HostDocument doc(8, 8, 3);
  const auto before = doc.OutBytes();
  ScriptedApp app;
  app.dialog = [](CHostExchange& ex) {
    Paint(ex.SourceImage(), 0);
    return false;
  };
  EXPECT_EQ(userCanceledErr, Continue(app, doc));
  EXPECT_EQ(before, doc.OutBytes());
  EXPECT_EQ(8, doc.Record().inRect.right);  // rectangles stay as the start step set them
}

TEST(HostExchangeTest, ExtraPlanesAreSkippedAndLeftAlone) {
  HostDocument doc(6, 3, 5);
  doc.Record().inTransparencyMask = 1;
  ScriptedApp app;
  app.dialog = [](CHostExchange& ex) {
    EXPECT_EQ(keFormatBGRA, ex.SourceImage().StorageFormat());
    Paint(ex.SourceImage(), 9);
    return true;
  };
  EXPECT_EQ(noErr, Continue(app, doc));
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 6; ++x) {
      for (int p = 0; p < 4; ++p) EXPECT_EQ(9, doc.Out(x, y, p));
      EXPECT_EQ(doc.In(x, y, 4), doc.Out(x, y, 4));
    }
  }
}

TEST(HostExchangeTest, LayerMasksAreReadButNotWrittenBack) {
  HostDocument doc(4, 4, 4);
  doc.Record().inLayerMasks = 1;  // no transparency plane
  const auto before = doc.OutBytes();
  ScriptedApp app;
  app.dialog = [](CHostExchange& ex) {
    Paint(ex.SourceImage(), 1);
    return true;
  };
  EXPECT_EQ(noErr, Continue(app, doc));
  EXPECT_EQ(before, doc.OutBytes());
}

TEST(HostExchangeTest, SelectionLimitsTheWorkToItsBoundingRectangle) {
  HostDocument doc(100, 100, 3);
  doc.Select([](int x, int y) { return x >= 10 && x <= 49 && y >= 20 && y <= 59 ? 255 : 0; });
  ScriptedApp app;
  app.dialog = [](CHostExchange& ex) {
    EXPECT_TRUE(ex.MaskInUse());
    EXPECT_EQ((ImageRect{10, 20, 50, 60}), ex.WorkRect());
    EXPECT_EQ(40, ex.SourceImage().Width());
    EXPECT_EQ(40, ex.SourceImage().Height());
    EXPECT_EQ(40, ex.MaskImage().Width());
    EXPECT_EQ(40, ex.MaskImage().Height());
    Paint(ex.SourceImage(), 0);
    return true;
  };
  EXPECT_EQ(noErr, Continue(app, doc));
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 100; ++x) {
      const bool inside = x >= 10 && x < 50 && y >= 20 && y < 60;
      ASSERT_EQ(inside ? 0 : doc.In(x, y, 1), doc.Out(x, y, 1)) << x << "," << y;
    }
  }
}

TEST(HostExchangeTest, EmptySelectionCancelsWithoutWriting) {
  HostDocument doc(16, 16, 3);
  doc.Select([](int, int) { return 0; });
  const auto before = doc.OutBytes();
  ScriptedApp app;
  bool ran = false;
  app.dialog = [&](CHostExchange&) { return ran = true; };
  EXPECT_EQ(userCanceledErr, Continue(app, doc));
  EXPECT_FALSE(ran);
  EXPECT_EQ(before, doc.OutBytes());
}

TEST(HostExchangeTest, FloatingSelectionIsFilteredWhole) {
  HostDocument doc(12, 10, 3);
  doc.Select([](int x, int) { return x < 3 ? 255 : 0; });
  doc.Record().isFloating = 1;
  ScriptedApp app;
  app.dialog = [](CHostExchange& ex) {
    EXPECT_FALSE(ex.MaskInUse());
    EXPECT_TRUE(ex.MaskImage().IsEmpty());
    EXPECT_EQ(12, ex.SourceImage().Width());
    return true;
  };
  EXPECT_EQ(noErr, Continue(app, doc));
}

TEST(HostExchangeTest, MaskIsReadOnlyWhenTheHostSaysSo) {
  HostDocument doc(12, 10, 3);
  doc.Select([](int x, int) { return x < 3 ? 255 : 0; });
  doc.Record().haveMask = 0;
  CHostExchange ex;
  ex.SetFilterRecord(&doc.Record());
  ASSERT_TRUE(ex.ReadFromHost());
  EXPECT_FALSE(ex.MaskInUse());
  EXPECT_TRUE(ex.MaskImage().IsEmpty());
  EXPECT_EQ(12, ex.SourceImage().Width());
}

TEST(HostExchangeTest, GreyIsCopiedBothWaysAndOtherLayoutsAreRefused) {
  HostDocument grey(5, 4, 1, plugInModeGrayScale);
  grey.ClearOutput(0);
  ScriptedApp app;
  EXPECT_EQ(noErr, Continue(app, grey));
  EXPECT_EQ(grey.InBytes(), grey.OutBytes());

  HostDocument cmyk(5, 4, 4, plugInModeCMYKColor);
  CHostExchange ex;
  ex.SetFilterRecord(&cmyk.Record());
  EXPECT_FALSE(ex.ReadFromHost());
  EXPECT_TRUE(ex.SourceImage().IsEmpty());
  CHostExchange none;
  EXPECT_FALSE(none.ReadFromHost());
  EXPECT_FALSE(none.WriteToHost());
}

TEST(HostExchangeTest, MaskBoundsIsTheTightRectangle) {
  CImageBuffer mask;
  EXPECT_EQ(ImageRect(), CHostExchange::MaskBounds(mask));
  ASSERT_FALSE(mask.CreateGrey(20, 10).IsError());
  EXPECT_EQ((ImageRect{19, 9, 1, 1}), CHostExchange::MaskBounds(mask));  // nothing selected: empty
  for (auto [x, y] : {std::pair{3, 7}, std::pair{15, 2}}) {
    CRowWriter row(mask, y);
    row.Row()[x] = 1;
  }
  EXPECT_EQ((ImageRect{3, 2, 16, 8}), CHostExchange::MaskBounds(mask));
}

}  // namespace
