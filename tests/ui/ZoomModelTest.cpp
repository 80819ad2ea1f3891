#include "ui/ZoomModel.h"

#include <gtest/gtest.h>

namespace {

using ui::CZoomModel;
using ui::Point;
using ui::Size;

CZoomModel Model(Size image, Size client) {
  CZoomModel m;
  m.SetImageSize(image);
  m.SetClientSize(client);
  return m;
}

TEST(ZoomModelTest, StepsWalkTheTableAndStopAtItsEnds) {
  CZoomModel m = Model({100, 100}, {400, 300});
  EXPECT_EQ(1.0, m.Zoom());
  EXPECT_TRUE(m.StepIn());
  EXPECT_EQ(1.5, m.Zoom());
  for (int i = 0; i < 30; ++i) m.StepIn();
  EXPECT_EQ(10.0, m.Zoom());
  EXPECT_EQ(20, m.StepIndex());
  EXPECT_FALSE(m.StepIn());
  for (int i = 0; i < 30; ++i) m.StepOut();
  EXPECT_DOUBLE_EQ(0.1, m.Zoom());
  EXPECT_EQ(0, m.StepIndex());
  EXPECT_FALSE(m.StepOut());
}

// After a fit the zoom is usually between two table steps: a step goes to
// the nearest table factor in the asked direction.
TEST(ZoomModelTest, StepsAfterAFitGoToTheNearestTableFactor) {
  struct Case {
    double fit, in, out;
  };
  const Case cases[] = {{0.46, 0.5, 1.0 / 3}, {1.0, 1.5, 2.0 / 3}, {2.5, 3.0, 2.0}, {0.05, 0.1, 0.05}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fit);
    CZoomModel m = Model({1000, 800}, {400, 300});
    m.SetZoom(c.fit);
    CZoomModel n = m;
    m.StepIn();
    EXPECT_DOUBLE_EQ(c.in, m.Zoom());
    const bool stepped = n.StepOut();
    EXPECT_DOUBLE_EQ(c.out, n.Zoom());
    EXPECT_EQ(c.fit > 0.1, stepped);
  }
}

TEST(ZoomModelTest, FitTakesTheTighterSideAndSurvivesEmptySizes) {
  EXPECT_DOUBLE_EQ(0.3, Model({2000, 1000}, {600, 500}).FitZoom());  // width decides
  EXPECT_DOUBLE_EQ(0.5, Model({400, 1000}, {600, 500}).FitZoom());   // height decides
  EXPECT_DOUBLE_EQ(4.0, Model({100, 50}, {400, 300}).FitZoom());     // small images grow
  EXPECT_EQ(1.0, Model({0, 0}, {400, 300}).FitZoom());
  EXPECT_EQ(1.0, Model({100, 100}, {0, 0}).FitZoom());
}

TEST(ZoomModelTest, SmallImagesAreCentredWithIntegerDivision) {
  CZoomModel m = Model({101, 50}, {400, 301});
  EXPECT_EQ((Point{149, 125}), m.CentreOffset());
  EXPECT_EQ((Point{0, 0}), m.ScrollLimit());
  m.ScrollTo({50, 50});
  EXPECT_EQ((Point{0, 0}), m.Scroll());
  // Client and image pixels convert into each other through the offset.
  EXPECT_EQ((Point{0, 0}), m.ClientToImage({149, 125}));
  EXPECT_EQ((Point{149, 125}), m.ImageToClient({0, 0}));
  m.SetZoom(2.0);
  EXPECT_EQ((Point{99, 100}), m.CentreOffset());
  EXPECT_EQ((Point{10, 5}), m.ClientToImage({120, 110}));
}

TEST(ZoomModelTest, AnchorZoomBringsThePointToTheMiddleWithinTheLimits) {
  // 1000 x 800 image in a 400 x 300 view at zoom 1.
  CZoomModel m = Model({1000, 800}, {400, 300});
  // Zooming in at the view's right edge: image point (399, 150), at 1.5
  // content point (598, 225), goes to the middle of the view.
  const Point edge{399, 150};
  m.StepIn(&edge);
  EXPECT_EQ(1.5, m.Zoom());
  EXPECT_EQ((Point{598 - 200, 225 - 150}), m.Scroll());
  EXPECT_EQ((Point{200, 150}), m.ImageToClient({399, 150}));
  // At the top-left corner the scroll cannot go below 0.
  CZoomModel corner = Model({1000, 800}, {400, 300});
  const Point origin{0, 0};
  corner.StepIn(&origin);
  EXPECT_EQ((Point{0, 0}), corner.Scroll());
  // Near the far corner it stops at the limit.
  CZoomModel far = Model({1000, 800}, {400, 300});
  far.ScrollTo({600, 500});
  const Point last{399, 299};
  far.StepIn(&last);
  EXPECT_EQ(far.ScrollLimit(), far.Scroll());
  EXPECT_EQ((Point{1100, 900}), far.ScrollLimit());
}

TEST(ZoomModelTest, ScrollSizeRoundsAndLimitsFollowTheClient) {
  CZoomModel m = Model({333, 100}, {200, 100});
  m.SetZoom(1.0 / 3);
  EXPECT_EQ((Size{111, 33}), m.ScrollSize());
  m.SetZoom(1.5);
  EXPECT_EQ((Size{500, 150}), m.ScrollSize());
  EXPECT_EQ((Point{300, 50}), m.ScrollLimit());
  m.ScrollTo({1000, -5});
  EXPECT_EQ((Point{300, 0}), m.Scroll());
  m.SetClientSize({450, 100});  // a larger view lowers the limit and the scroll
  EXPECT_EQ((Point{50, 0}), m.Scroll());
}

}  // namespace
