#include "host/HostExchange.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

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

TEST(HostExchangeTest, LayerMaskDocumentsGetTheirColourPlanesBack) {
  HostDocument doc(4, 4, 4);
  doc.Record().inLayerMasks = 1;  // the fourth plane is a layer mask, not the transparency
  ScriptedApp app;
  app.dialog = [](CHostExchange& ex) {
    EXPECT_EQ(keFormatBGRA, ex.SourceImage().StorageFormat());
    Paint(ex.SourceImage(), 1);
    return true;
  };
  EXPECT_EQ(noErr, Continue(app, doc));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      for (int p = 0; p < 3; ++p) EXPECT_EQ(1, doc.Out(x, y, p));
      EXPECT_EQ(doc.In(x, y, 3), doc.Out(x, y, 3));  // the editor's layer mask stays
    }
  }
}

// A result that cannot be written back is reported as a failure, and the
// host's output is left exactly as it was.
TEST(HostExchangeTest, WriteBackRefusalsAnswerCancelAndWriteNothing) {
  struct Case {
    const char* what;
    std::function<void(CHostExchange&, FilterRecord&)> dialog;
  };
  const Case cases[] = {
      {"the result is smaller than what was read",
       [](CHostExchange& ex, FilterRecord&) { ASSERT_FALSE(ex.SourceImage().CreateBGR(5, 4).IsError()); }},
      {"the result is larger than what was read",
       [](CHostExchange& ex, FilterRecord&) { ASSERT_FALSE(ex.SourceImage().CreateBGR(7, 6).IsError()); }},
      {"the result has another format",
       [](CHostExchange& ex, FilterRecord&) { ASSERT_FALSE(ex.SourceImage().CreateBGRA(6, 5).IsError()); }},
      {"the result is gone", [](CHostExchange& ex, FilterRecord&) { ex.SourceImage().Clear(); }},
      {"the host withdrew its output", [](CHostExchange&, FilterRecord& r) { r.outData = nullptr; }},
      {"the output rows no longer hold a row of pixels", [](CHostExchange&, FilterRecord& r) { r.outRowBytes = 17; }},
      {"the output rectangle shrank", [](CHostExchange&, FilterRecord& r) { r.inRect.right = r.outRect.right = 5; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HostDocument doc(6, 5, 3);
    const auto before = doc.OutBytes();
    ScriptedApp app;
    FilterRecord asLeft{};
    app.dialog = [&](CHostExchange& ex) {
      Paint(ex.SourceImage(), 0);
      c.dialog(ex, doc.Record());
      asLeft = doc.Record();
      return true;
    };
    EXPECT_EQ(userCanceledErr, Continue(app, doc));
    EXPECT_EQ(before, doc.OutBytes());
    EXPECT_EQ(0, std::memcmp(&asLeft, &doc.Record(), sizeof asLeft));  // the rectangles stay too
  }
}

// Records whose rectangles, planes, row bytes or buffers do not add up are
// refused before anything is read: the dialog never runs, and neither the
// host's input nor its output is touched.  Some cases hand over buffers of
// their own (a clipped mask, fewer planes), sized exactly as the record says.
TEST(HostExchangeTest, RecordsThatDoNotAddUpAreRefusedUntouched) {
  constexpr int kWidth = 8, kHeight = 6, kPlanes = 3;
  struct Buffers {
    std::vector<std::uint8_t> in, out, mask;
  };
  struct Case {
    const char* what;
    std::function<void(HostDocument&, Buffers&)> spoil;
  };
  auto selectAll = [](HostDocument& d) { d.Select([](int, int) { return 255; }); };
  const Case cases[] = {
      {"mask rectangle clipped to the selection",
       [](HostDocument& d, Buffers& b) {
         d.Select([](int, int) { return 255; });
         FilterRecord& r = d.Record();
         r.maskRect = Rect{1, 2, 4, 6};  // 4 x 3 pixels, and only those are sent
         b.mask.assign(4 * 3, 255);
         r.maskData = b.mask.data();
         r.maskRowBytes = 4;
       }},
      {"mask rectangle moved", [selectAll](HostDocument& d, Buffers&) {
         selectAll(d);
         d.Record().maskRect.top += 1, d.Record().maskRect.bottom += 1;
       }},
      {"mask rows shorter than a row of the image", [selectAll](HostDocument& d, Buffers&) {
         selectAll(d);
         d.Record().maskRowBytes = kWidth - 1;
       }},
      {"input rows shorter than a row of pixels",
       [](HostDocument& d, Buffers&) { d.Record().inRowBytes = kWidth * kPlanes - 1; }},
      {"output rows running backwards", [](HostDocument& d, Buffers&) { d.Record().outRowBytes = -kWidth * kPlanes; }},
      {"fewer planes sent than an RGB pixel has",
       [](HostDocument& d, Buffers& b) {
         FilterRecord& r = d.Record();
         b.in.assign(kWidth * kHeight * 2, 7);
         b.out = b.in;
         r.inData = b.in.data(), r.outData = b.out.data();
         r.inRowBytes = r.outRowBytes = kWidth * 2;
         r.inHiPlane = r.outHiPlane = 1;
       }},
      {"input planes not from plane 0", [](HostDocument& d, Buffers&) { d.Record().inLoPlane = 1; }},
      {"input planes beyond the document's", [](HostDocument& d, Buffers&) { d.Record().inHiPlane = kPlanes; }},
      {"output planes fewer than are written back", [](HostDocument& d, Buffers&) { d.Record().outHiPlane = 1; }},
      {"output rectangle smaller than the input's", [](HostDocument& d, Buffers&) { d.Record().outRect.right -= 1; }},
      {"output rectangle moved", [](HostDocument& d, Buffers&) { d.Record().outRect.left += 1, d.Record().outRect.right += 1; }},
      {"no output buffer", [](HostDocument& d, Buffers&) { d.Record().outData = nullptr; }},
      {"empty input rectangle", [](HostDocument& d, Buffers&) { d.Record().inRect.bottom = d.Record().inRect.top; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HostDocument doc(kWidth, kHeight, kPlanes);
    Buffers buffers;
    c.spoil(doc, buffers);
    const Buffers before = buffers;
    const auto docBefore = doc.OutBytes();
    const FilterRecord recordBefore = doc.Record();
    ScriptedApp app;
    bool ran = false;
    app.dialog = [&](CHostExchange& ex) {
      Paint(ex.SourceImage(), 0);
      return ran = true;
    };
    EXPECT_EQ(userCanceledErr, Continue(app, doc));
    EXPECT_FALSE(ran);
    EXPECT_TRUE(app.Exchange().SourceImage().IsEmpty());
    EXPECT_EQ(docBefore, doc.OutBytes());
    EXPECT_EQ(before.in, buffers.in);
    EXPECT_EQ(before.out, buffers.out);
    EXPECT_EQ(0, std::memcmp(&recordBefore, &doc.Record(), sizeof recordBefore));
  }
}

// Pixels lie as many bytes apart as the host sends planes, on the way in and
// on the way out, whatever the document has.
TEST(HostExchangeTest, PixelsLieAsFarApartAsTheHostSendsPlanes) {
  // A document of 5 planes (RGB, transparency, one more); the input holds
  // all five, the output only planes 0 to 3.
  HostDocument doc(6, 3, 5);
  FilterRecord& r = doc.Record();
  r.inTransparencyMask = 1;
  std::vector<std::uint8_t> out(6 * 3 * 4, 42);
  r.outData = out.data();
  r.outRowBytes = 6 * 4;
  r.outHiPlane = 3;
  ScriptedApp app;
  app.dialog = [&](CHostExchange& ex) {
    CImageBuffer& src = ex.SourceImage();
    EXPECT_EQ(keFormatBGRA, src.StorageFormat());
    for (int y = 0; y < 3; ++y) {
      CRowReader row(src, y);
      for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(doc.In(x, y, 2), row.Row()[4 * x]);
        EXPECT_EQ(doc.In(x, y, 3), row.Row()[4 * x + 3]);
      }
    }
    Paint(src, 9);
    return true;
  };
  EXPECT_EQ(noErr, Continue(app, doc));
  EXPECT_EQ(std::vector<std::uint8_t>(out.size(), 9), out);
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
