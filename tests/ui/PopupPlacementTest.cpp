// The popup's size and where it opens on the work area.

#include "ui/PopupPlacement.h"

#include <gtest/gtest.h>

namespace {

using ui::Rect;
using ui::Size;

TEST(PopupPlacementTest, ClientSizeUpToFourByFourCells) {
  const struct {
    int count;
    Size size;
  } cases[] = {{0, {97, 97}},  // an empty folder still gets one cell
               {1, {97, 97}},
               {3, {287, 97}},
               {4, {382, 97}},
               {5, {382, 192}},
               {16, {382, 382}},
               {17, {382 + 17, 382}}};  // the scroll bar when items are hidden
  for (const auto& c : cases) EXPECT_EQ(c.size, ui::PopupClientSize(c.count, {95, 95}, 17)) << c.count;
}

TEST(PopupPlacementTest, FolderBarWidensAndAddsItsHeight) {
  EXPECT_EQ((Size{400, 430}), ui::AddFolderBar({300, 380}, {400, 50}));
  EXPECT_EQ((Size{500, 430}), ui::AddFolderBar({500, 380}, {400, 50}));
}

TEST(PopupPlacementTest, PlacesAtEachEdgeOfTheWorkArea) {
  const Rect work{0, 0, 1280, 1000};
  const Size frame{400, 300};
  const struct {
    const char* name;
    Rect anchor;
    Rect expected;
  } cases[] = {
      {"below_the_anchor", {100, 100, 200, 130}, {100, 130, 500, 430}},
      {"below_moved_left_from_the_right_edge", {1100, 100, 1200, 130}, {880, 130, 1280, 430}},
      {"below_kept_off_the_left_edge", {-50, 100, 20, 130}, {0, 130, 400, 430}},
      {"exactly_fits_below", {100, 600, 200, 700}, {100, 700, 500, 1000}},
      {"beside_on_the_right_at_the_bottom", {100, 800, 200, 830}, {200, 700, 600, 1000}},
      {"beside_on_the_left_near_the_right_edge", {1000, 800, 1100, 830}, {600, 700, 1000, 1000}},
      {"against_the_right_edge_when_neither_side_fits", {300, 800, 1100, 830}, {880, 700, 1280, 1000}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, ui::PlacePopup(c.anchor, frame, work)) << c.name;
}

TEST(PopupPlacementTest, WorkAreaNotAtTheOrigin) {
  // A task bar on the top and left: the work area starts at (60, 40).
  const Rect work{60, 40, 1280, 1000};
  EXPECT_EQ((Rect{200, 40, 600, 1040}), ui::PlacePopup({100, 900, 200, 930}, {400, 1000}, work));
}

}  // namespace
