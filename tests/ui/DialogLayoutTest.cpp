#include "ui/DialogLayout.h"

#include <gtest/gtest.h>

#include "ui/DialogIds.h"

namespace {

using ui::CDialogLayout;
using ui::Rect;
using ui::Size;

std::map<int, Rect> Reference() {
  return {
      {ui::kIdPreview, {40, 10, 500, 400}},   {ui::kIdZoomText, {40, 410, 100, 425}},
      {ui::kIdProgress, {110, 410, 300, 425}}, {ui::kIdHintText, {310, 410, 500, 425}},
      {ui::kIdOk, {520, 380, 590, 400}},       {ui::kIdPanePlace, {520, 10, 760, 360}},
  };
}

TEST(DialogLayoutTest, ControlsFollowTheirEdges) {
  CDialogLayout layout(ui::MainDialogAnchors());
  layout.TakeReference({780, 440}, Reference());
  for (const Size client : {Size{880, 500}, Size{700, 400}}) {
    const int dw = client.width - 780, dh = client.height - 440;
    SCOPED_TRACE(dw);
    const auto placed = layout.Arrange(client);
    EXPECT_EQ((Rect{40, 10, 500 + dw, 400 + dh}), placed.at(ui::kIdPreview));
    EXPECT_EQ((Rect{40, 410 + dh, 100, 425 + dh}), placed.at(ui::kIdZoomText));
    EXPECT_EQ((Rect{110, 410 + dh, 300, 425 + dh}), placed.at(ui::kIdProgress));
    EXPECT_EQ((Rect{310, 410 + dh, 500 + dw, 425 + dh}), placed.at(ui::kIdHintText));
    EXPECT_EQ((Rect{520 + dw, 380, 590 + dw, 400}), placed.at(ui::kIdOk));
    EXPECT_EQ((Rect{520 + dw, 10, 760 + dw, 360}), placed.at(ui::kIdPanePlace));
    EXPECT_EQ(0u, placed.count(ui::kIdCancel));  // no reference rectangle: left alone
  }
  EXPECT_EQ(Reference(), layout.Arrange({780, 440}));
}

TEST(DialogLayoutTest, TheWindowNeverGoesBelowItsOpeningSize) {
  EXPECT_EQ((Size{800, 600}), CDialogLayout::MinimumTrackSize({780, 440}, {800, 600}));
  EXPECT_EQ((Size{900, 600}), CDialogLayout::MinimumTrackSize({900, 440}, {800, 600}));
}

}  // namespace
