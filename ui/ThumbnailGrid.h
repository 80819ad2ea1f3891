#pragma once
// The thumbnail grid without a window: where cells are, which item a point
// hits, where a drop would insert, and the selection, focus and anchor
// with the keys that move them.
//
// All positions are in pixels.  "Client" points are relative to the
// visible area; "content" coordinates add the vertical scroll position.
// The window (ui/win/ThumbnailView) feeds sizes, points and keys in and
// draws or scrolls what the answers say.

#include <set>
#include <vector>

#include "ui/Geometry.h"

namespace ui {

class CThumbnailSource;

struct GridLayout {
  int columns = 1;
  int rows = 0;
  Size content;  // columns x rows cells
};

// Columns, rows and content size for `count` cells in a client area; with
// the scroll bar's width taken into account: a grid whose bar is shown
// gains a column when, with it, everything fits without the bar; a grid
// about to get a bar loses one when the bar would cover it.
GridLayout LayoutGrid(Size cell, int count, Size client, bool verticalBarShown, int barWidth);

struct InsertionPoint {
  int index = -1;     // the cell the marker stands at
  bool after = false; // at its right edge rather than its left
  int Target() const { return index + (after ? 1 : 0); }
};

// The keys the grid handles itself.
enum class GridKey { kSpace, kPageUp, kPageDown, kEnd, kHome, kLeft, kRight, kUp, kDown, kDelete, kSelectAll };

// A press moves more than this many pixels in x or y before a drag starts.
constexpr int kDragThreshold = 10;
bool DragStarted(Point press, Point now);
// Pixels a drag scrolls by when the pointer is above (negative y) or below
// the client area; 0 inside it.
int DragAutoScroll(int y, int clientHeight);

class CThumbnailGrid {
 public:
  void SetCellSize(Size cell) { m_cell = cell; }
  Size CellSize() const { return m_cell; }
  void SetCount(int count);
  int Count() const { return m_count; }
  void SetClientSize(Size client) { m_client = client; }
  Size ClientSize() const { return m_client; }
  void SetScroll(int y) { m_scroll = y; }
  int Scroll() const { return m_scroll; }

  // Columns of the current client width (at least 1).
  int Columns() const;
  // Item i's cell in content coordinates.
  Rect CellRect(int i) const;
  // The item under a client point; -1 for none.
  int ItemAt(Point client) const;
  InsertionPoint InsertionAt(Point client) const;
  // The first and last item of the visible area (-1, -1 without items).
  void VisibleRange(int* first, int* last) const;
  // The scroll position that shows the focus cell whole (the current one
  // when it does already).
  int ScrollToShow(int i) const;

  // ---- selection ---------------------------------------------------------

  void SetMultipleSelection(bool multiple) { m_multiple = multiple; }
  bool MultipleSelection() const { return m_multiple; }
  int Focus() const { return m_focus; }
  int Anchor() const { return m_anchor; }
  const std::set<int>& Selection() const { return m_selection; }
  bool IsSelected(int i) const { return m_selection.count(i) != 0; }
  // Adds i and makes it the focus (ignored out of range).
  void Select(int i);
  void ClearSelection();
  // The focus moved to f: Ctrl toggles f, Shift selects from the anchor to
  // f, neither selects f alone; without Shift f becomes the anchor.
  // Answers the items whose look changed (selection or focus).
  std::vector<int> MoveFocus(int f, bool ctrl, bool shift);

  // What a key did.
  struct KeyResult {
    bool handled = false;
    bool selectionChanged = false;  // tell the parent
    bool scroll = false;            // the focus must be brought into view
    bool redrawAll = false;
    std::vector<int> changed;       // cells to redraw
  };
  // Delete removes the selection through `source` (may be null for keys
  // other than Delete).
  KeyResult KeyDown(GridKey key, bool shift, bool ctrl, CThumbnailSource* source);

  // A drop of the selection at `target` (InsertionPoint::Target): moves it
  // there through the source; the moved items stay selected.  False when
  // nothing moved.
  bool DropSelection(int target, CThumbnailSource& source);

 private:
  KeyResult DeleteSelection(CThumbnailSource* source);

  Size m_cell{95, 95};
  Size m_client;
  int m_count = 0;
  int m_scroll = 0;
  bool m_multiple = true;
  std::set<int> m_selection;
  int m_focus = -1;
  int m_anchor = -1;
};

}  // namespace ui
