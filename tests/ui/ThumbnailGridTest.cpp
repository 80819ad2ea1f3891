// The grid without a window: layout, hit testing, insertion points, the
// selection with its keys, Delete, drops and the drag rules.

#include "ui/ThumbnailGrid.h"

#include <gtest/gtest.h>

#include "ui/ThumbnailSource.h"

namespace {

using ui::CThumbnailGrid;
using ui::GridKey;
using ui::Point;
using ui::Size;

// A source of named items that records moves; nothing else is used.
class FakeSource : public ui::CThumbnailSource {
 public:
  explicit FakeSource(int count) {
    for (int i = 0; i < count; ++i) items.push_back(i);
  }
  int Count() const override { return static_cast<int>(items.size()); }
  std::string Name(int i) const override { return std::to_string(items[static_cast<std::size_t>(i)]); }
  const CImageBuffer* Thumbnail(int) const override { return nullptr; }
  std::string TooltipText(int) const override { return ""; }
  Size PictureSize(int) const override { return {}; }
  platform::IconHandle ShellIcon(int) const override { return nullptr; }
  std::string Path(int) const override { return ""; }
  void RequestIndex(int) override {}
  void StopWorker() override {}
  void AttachView(platform::WindowHandle) override {}
  void MoveItems(std::vector<int>& indexes, int target) override {
    ++moves;
    std::vector<int> moving;
    for (int i : indexes) moving.push_back(items[static_cast<std::size_t>(i)]);
    std::vector<int> sorted = indexes;
    std::sort(sorted.rbegin(), sorted.rend());
    for (int i : sorted) items.erase(items.begin() + i);
    if (target < 0) {
      indexes.clear();
      return;
    }
    int before = 0;
    for (int i : indexes) before += i < target ? 1 : 0;
    items.insert(items.begin() + (target - before), moving.begin(), moving.end());
    for (std::size_t k = 0; k < indexes.size(); ++k) indexes[k] = target - before + static_cast<int>(k);
  }
  void OpenItem(int, platform::WindowHandle) override {}
  int RemoveFailedItems() override { return 0; }
  bool CanReorder() const override { return reorder; }

  std::vector<int> items;
  int moves = 0;
  bool reorder = true;
};

CThumbnailGrid Grid(int count, Size client, int scroll = 0) {
  CThumbnailGrid grid;
  grid.SetCellSize({95, 95});
  grid.SetCount(count);
  grid.SetClientSize(client);
  grid.SetScroll(scroll);
  return grid;
}

// ---------------------------------------------------------------------------
// Layout
// ---------------------------------------------------------------------------

struct LayoutCase {
  const char* name;
  int count;
  Size client;
  bool barShown;
  int columns;
  int rows;
};

class LayoutGridTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutGridTest, ColumnsRowsAndContent) {
  const LayoutCase& c = GetParam();
  const ui::GridLayout layout = ui::LayoutGrid({95, 95}, c.count, c.client, c.barShown, 17);
  EXPECT_EQ(c.columns, layout.columns);
  EXPECT_EQ(c.rows, layout.rows);
  EXPECT_EQ((Size{c.columns * 95, c.rows * 95}), layout.content);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LayoutGridTest,
    ::testing::Values(
        LayoutCase{"nine_in_four_columns", 9, {380, 300}, false, 4, 3},
        LayoutCase{"narrower_than_a_cell_keeps_one_column", 3, {50, 400}, false, 1, 3},
        LayoutCase{"empty", 0, {380, 300}, false, 4, 0},
        // Content higher than the client: the bar to come covers the
        // fourth column (380 > 390 - 17).
        LayoutCase{"bar_to_come_takes_a_column", 30, {390, 300}, false, 3, 10},
        LayoutCase{"bar_to_come_leaves_room", 30, {397, 300}, false, 4, 8},
        // Bar shown and, without it, one more column fits and so do the rows.
        LayoutCase{"bar_shown_gives_back_a_column", 8, {370, 190}, true, 4, 2},
        LayoutCase{"bar_shown_stays_when_rows_do_not_fit", 9, {370, 190}, true, 3, 3}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Hit testing and insertion points (four 95-pixel columns, scrolled by 50)
// ---------------------------------------------------------------------------

TEST(ThumbnailGridTest, ItemAtPoint) {
  const CThumbnailGrid grid = Grid(10, {400, 300}, 50);
  const struct {
    Point at;
    int item;
  } cases[] = {{{0, 0}, 0},       {{94, 44}, 0},     {{95, 44}, 1},     {{379, 44}, 3},
               // between the last column and the client's edge: no item, not
               // the next row's first (x equal to the edge included)
               {{380, 44}, -1},   {{399, 44}, -1},   {{0, 45}, 4},      {{200, 200}, -1},
               {{100, 150}, 9},   {{-1, 10}, -1},    {{10, 300}, -1},   {{400, 10}, -1}};
  for (const auto& c : cases) EXPECT_EQ(c.item, grid.ItemAt(c.at)) << c.at.x << "," << c.at.y;
}

TEST(ThumbnailGridTest, CellRectangles) {
  const CThumbnailGrid grid = Grid(10, {400, 300});
  EXPECT_EQ((ui::Rect{0, 0, 95, 95}), grid.CellRect(0));
  EXPECT_EQ((ui::Rect{285, 0, 380, 95}), grid.CellRect(3));
  EXPECT_EQ((ui::Rect{95, 190, 190, 285}), grid.CellRect(9));
}

TEST(ThumbnailGridTest, InsertionPoints) {
  const CThumbnailGrid grid = Grid(10, {400, 300}, 50);
  const struct {
    Point at;
    int index;
    bool after;
    int target;
  } cases[] = {{{10, 0}, 0, false, 0},    {{46, 0}, 0, false, 0},   {{47, 0}, 0, true, 1},
               {{100, 10}, 1, false, 1},  {{390, 10}, 3, true, 4},   // right of the last column
               {{150, 60}, 5, true, 6},   {{200, 200}, 9, true, 10}, // past the end: after the last
               {{20, 150}, 8, false, 8}};
  for (const auto& c : cases) {
    const ui::InsertionPoint at = grid.InsertionAt(c.at);
    EXPECT_EQ(c.index, at.index) << c.at.x << "," << c.at.y;
    EXPECT_EQ(c.after, at.after) << c.at.x << "," << c.at.y;
    EXPECT_EQ(c.target, at.Target()) << c.at.x << "," << c.at.y;
  }
}

TEST(ThumbnailGridTest, VisibleRangeAndScrollingIntoView) {
  CThumbnailGrid grid = Grid(40, {380, 300}, 0);
  int first = 0, last = 0;
  grid.VisibleRange(&first, &last);
  EXPECT_EQ(0, first);
  EXPECT_EQ(15, last);  // rows 0..3 touch the 300 pixels
  EXPECT_EQ(0, grid.ScrollToShow(5));
  // Below: its bottom at the client's bottom.
  EXPECT_EQ(10 * 95 - 300, grid.ScrollToShow(39));
  grid.SetScroll(10 * 95 - 300);
  grid.VisibleRange(&first, &last);
  EXPECT_EQ(24, first);
  EXPECT_EQ(39, last);
  // Above: its top at the top.
  EXPECT_EQ(0, grid.ScrollToShow(0));
  EXPECT_EQ(95, grid.ScrollToShow(4));
}

// ---------------------------------------------------------------------------
// Selection and keys
// ---------------------------------------------------------------------------

TEST(ThumbnailGridTest, ClicksWithCtrlAndShift) {
  CThumbnailGrid grid = Grid(10, {380, 300});
  grid.MoveFocus(2, false, false);
  EXPECT_EQ((std::set<int>{2}), grid.Selection());
  grid.MoveFocus(5, false, true);
  EXPECT_EQ((std::set<int>{2, 3, 4, 5}), grid.Selection());
  EXPECT_EQ(2, grid.Anchor());
  grid.MoveFocus(4, true, false);
  EXPECT_EQ((std::set<int>{2, 3, 5}), grid.Selection());
  EXPECT_EQ(4, grid.Anchor());
  const std::vector<int> changed = grid.MoveFocus(8, false, false);
  EXPECT_EQ((std::set<int>{8}), grid.Selection());
  EXPECT_EQ((std::vector<int>{2, 3, 5, 8, 4}), changed);  // the look changed: selection and old focus
  // Single selection: Ctrl and Shift count as not pressed.
  grid.SetMultipleSelection(false);
  grid.MoveFocus(1, false, true);
  EXPECT_EQ((std::set<int>{1}), grid.Selection());
  grid.MoveFocus(3, true, false);
  EXPECT_EQ((std::set<int>{3}), grid.Selection());
}

TEST(ThumbnailGridTest, KeysMoveTheFocus) {
  // 4 columns; 3 whole rows visible.
  CThumbnailGrid grid = Grid(30, {380, 300});
  grid.MoveFocus(5, false, false);
  const struct {
    GridKey key;
    bool shift;
    int focus;
    std::set<int> selection;
  } steps[] = {{GridKey::kRight, false, 6, {6}},   {GridKey::kDown, false, 10, {10}},
               {GridKey::kLeft, true, 9, {9, 10}}, {GridKey::kUp, true, 5, {5, 6, 7, 8, 9, 10}},
               {GridKey::kPageDown, false, 17, {17}}, {GridKey::kPageUp, false, 5, {5}},
               {GridKey::kEnd, false, 29, {29}},    {GridKey::kDown, false, 29, {29}},  // clamped: no change
               {GridKey::kHome, false, 0, {0}},     {GridKey::kUp, false, 0, {0}}};
  for (const auto& s : steps) {
    grid.KeyDown(s.key, s.shift, false, nullptr);
    EXPECT_EQ(s.focus, grid.Focus()) << static_cast<int>(s.key);
    EXPECT_EQ(s.selection, grid.Selection()) << static_cast<int>(s.key);
  }
}

TEST(ThumbnailGridTest, AMoveReportsAndScrollsOnlyWhenTheFocusChanged) {
  CThumbnailGrid grid = Grid(5, {380, 300});
  grid.MoveFocus(4, false, false);
  const auto same = grid.KeyDown(GridKey::kEnd, false, false, nullptr);
  EXPECT_FALSE(same.selectionChanged);
  EXPECT_FALSE(same.scroll);
  const auto moved = grid.KeyDown(GridKey::kHome, false, false, nullptr);
  EXPECT_TRUE(moved.selectionChanged);
  EXPECT_TRUE(moved.scroll);
}

TEST(ThumbnailGridTest, SpaceTogglesTheFocusItem) {
  CThumbnailGrid grid = Grid(5, {380, 300});
  grid.MoveFocus(1, false, false);
  grid.KeyDown(GridKey::kSpace, false, false, nullptr);
  EXPECT_TRUE(grid.Selection().empty());
  grid.KeyDown(GridKey::kSpace, false, false, nullptr);
  EXPECT_EQ((std::set<int>{1}), grid.Selection());
}

TEST(ThumbnailGridTest, SelectAllRespectsSingleSelection) {
  FakeSource source(6);
  CThumbnailGrid grid = Grid(6, {380, 300});
  grid.KeyDown(GridKey::kSelectAll, false, true, nullptr);
  EXPECT_EQ(6u, grid.Selection().size());
  // In single-selection mode Ctrl+A does nothing, and a Delete after it
  // removes the one selected item, not the whole list.
  CThumbnailGrid single = Grid(6, {380, 300});
  single.SetMultipleSelection(false);
  single.MoveFocus(2, false, false);
  single.KeyDown(GridKey::kSelectAll, false, true, nullptr);
  EXPECT_EQ((std::set<int>{2}), single.Selection());
  single.KeyDown(GridKey::kDelete, false, false, &source);
  EXPECT_EQ(5, source.Count());
}

TEST(ThumbnailGridTest, DeleteMovesTheFocusToTheFirstRemovedPosition) {
  const struct {
    const char* name;
    std::vector<int> selected;
    std::vector<int> left;
    int focus;
  } cases[] = {{"middle", {2, 4}, {0, 1, 3, 5}, 2},
               {"last", {5}, {0, 1, 2, 3, 4}, 4},
               {"all", {0, 1, 2, 3, 4, 5}, {}, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSource source(6);
    CThumbnailGrid grid = Grid(6, {380, 300});
    for (int i : c.selected) grid.Select(i);
    const auto result = grid.KeyDown(GridKey::kDelete, false, false, &source);
    EXPECT_EQ(c.left, source.items);
    EXPECT_EQ(c.focus, grid.Focus());
    EXPECT_EQ(c.focus, grid.Anchor());
    EXPECT_EQ(c.focus < 0 ? std::set<int>{} : std::set<int>{c.focus}, grid.Selection());
    EXPECT_TRUE(result.redrawAll);
  }
}

TEST(ThumbnailGridTest, DeleteNeedsASelectionAndASourceThatReorders) {
  FakeSource source(3);
  CThumbnailGrid grid = Grid(3, {380, 300});
  grid.KeyDown(GridKey::kDelete, false, false, &source);
  source.reorder = false;
  grid.Select(1);
  grid.KeyDown(GridKey::kDelete, false, false, &source);
  EXPECT_EQ(0, source.moves);
}

TEST(ThumbnailGridTest, DropsMoveTheSelection) {
  FakeSource source(6);
  CThumbnailGrid grid = Grid(6, {380, 300});
  grid.Select(1);
  grid.Select(2);
  // Onto its own place: at either edge or inside the run.
  for (int target : {1, 2, 3}) EXPECT_FALSE(grid.DropSelection(target, source)) << target;
  EXPECT_EQ(0, source.moves);
  EXPECT_TRUE(grid.DropSelection(5, source));
  EXPECT_EQ((std::vector<int>{0, 3, 4, 1, 2, 5}), source.items);
  EXPECT_EQ((std::set<int>{3, 4}), grid.Selection());
}

TEST(ThumbnailGridTest, DragThresholdAndAutoScroll) {
  const struct {
    Point now;
    bool started;
  } cases[] = {{{110, 100}, false}, {{111, 100}, true}, {{90, 100}, false}, {{89, 100}, true},
               {{100, 110}, false}, {{100, 111}, true}, {{110, 90}, false}, {{100, 89}, true}};
  for (const auto& c : cases) EXPECT_EQ(c.started, ui::DragStarted({100, 100}, c.now)) << c.now.x << "," << c.now.y;
  EXPECT_EQ(0, ui::DragAutoScroll(150, 300));
  EXPECT_EQ(-10, ui::DragAutoScroll(-30, 300));
  EXPECT_EQ(10, ui::DragAutoScroll(330, 300));
}

}  // namespace
