#include "ui/ThumbnailGrid.h"

#include <algorithm>
#include <cstdlib>

#include "ui/ThumbnailSource.h"

namespace ui {
namespace {

int RowsFor(int count, int columns) { return columns > 0 ? (count + columns - 1) / columns : 0; }

}  // namespace

GridLayout LayoutGrid(Size cell, int count, Size client, bool verticalBarShown, int barWidth) {
  GridLayout layout;
  if (cell.width <= 0 || cell.height <= 0) return layout;
  int columns = std::max(1, client.width / cell.width);
  const int contentHeight = RowsFor(count, columns) * cell.height;
  if (contentHeight > client.height || verticalBarShown) {
    if (verticalBarShown) {
      // Without the bar one more column may fit, and then maybe all rows.
      if ((columns + 1) * cell.width <= client.width + barWidth &&
          RowsFor(count, columns + 1) * cell.height <= client.height) {
        ++columns;
      }
    } else if (columns * cell.width > client.width - barWidth && columns > 1) {
      --columns;
    }
  }
  layout.columns = columns;
  layout.rows = RowsFor(count, columns);
  layout.content = {columns * cell.width, layout.rows * cell.height};
  return layout;
}

bool DragStarted(Point press, Point now) {
  return std::abs(now.x - press.x) > kDragThreshold || std::abs(now.y - press.y) > kDragThreshold;
}

int DragAutoScroll(int y, int clientHeight) {
  if (y < 0) return y / 3;
  if (y > clientHeight) return (y - clientHeight) / 3;
  return 0;
}

// ===========================================================================
// Geometry
// ===========================================================================

void CThumbnailGrid::SetCount(int count) {
  m_count = std::max(0, count);
  // Indexes past the end are gone.
  m_selection.erase(m_selection.lower_bound(m_count), m_selection.end());
  if (m_focus >= m_count) m_focus = -1;
  if (m_anchor >= m_count) m_anchor = -1;
}

int CThumbnailGrid::Columns() const { return m_cell.width > 0 ? std::max(1, m_client.width / m_cell.width) : 1; }

Rect CThumbnailGrid::CellRect(int i) const {
  const int c = Columns();
  const int left = (i % c) * m_cell.width, top = (i / c) * m_cell.height;
  return {left, top, left + m_cell.width, top + m_cell.height};
}

int CThumbnailGrid::ItemAt(Point client) const {
  if (client.x < 0 || client.y < 0 || client.x >= m_client.width || client.y >= m_client.height) return -1;
  const int c = Columns();
  const int x = client.x, y = client.y + m_scroll;
  // Right of the last column is no item (the point would otherwise count
  // into the next row).
  if (x >= c * m_cell.width) return -1;
  const int i = c * (y / m_cell.height) + x / m_cell.width;
  return i < m_count ? i : -1;
}

InsertionPoint CThumbnailGrid::InsertionAt(Point client) const {
  InsertionPoint at;
  if (m_count <= 0) return at;
  const int c = Columns();
  const int x = std::max(0, client.x), y = std::max(0, client.y + m_scroll);
  const int row = y / m_cell.height;
  if (x < c * m_cell.width) {
    at.index = c * row + x / m_cell.width;
    at.after = x % m_cell.width >= m_cell.width / 2;
  } else {
    at.index = c * row + c - 1;
    at.after = true;
  }
  if (at.index >= m_count) {
    at.index = m_count - 1;
    at.after = true;
  }
  return at;
}

void CThumbnailGrid::VisibleRange(int* first, int* last) const {
  *first = *last = -1;
  if (m_count <= 0) return;
  const int c = Columns();
  const int top = std::max(0, m_scroll) / m_cell.height;
  const int bottom = std::max(0, m_scroll + std::max(1, m_client.height) - 1) / m_cell.height;
  *first = std::min(c * top, m_count - 1);
  *last = std::min(c * bottom + c - 1, m_count - 1);
}

int CThumbnailGrid::ScrollToShow(int i) const {
  if (i < 0 || i >= m_count) return m_scroll;
  const Rect cell = CellRect(i);
  if (cell.top >= m_scroll && cell.bottom <= m_scroll + m_client.height) return m_scroll;
  // Below the top of the visible area: its bottom at the client's bottom;
  // otherwise its top at the top.
  if (cell.top >= m_scroll) return std::max(0, cell.bottom - m_client.height);
  return cell.top;
}

// ===========================================================================
// Selection
// ===========================================================================

void CThumbnailGrid::Select(int i) {
  if (i < 0 || i >= m_count) return;
  m_selection.insert(i);
  m_focus = i;
}

void CThumbnailGrid::ClearSelection() {
  m_selection.clear();
  m_focus = m_anchor = -1;
}

std::vector<int> CThumbnailGrid::MoveFocus(int f, bool ctrl, bool shift) {
  if (!m_multiple) ctrl = shift = false;
  const std::set<int> before = m_selection;
  const int previous = m_focus;
  m_focus = f;
  if (ctrl) {
    if (!m_selection.erase(f)) m_selection.insert(f);
  } else if (shift && m_anchor >= 0) {
    m_selection.clear();
    for (int i = std::min(m_anchor, f); i <= std::max(m_anchor, f); ++i) m_selection.insert(i);
  } else {
    m_selection = {f};
  }
  if (!shift || m_anchor < 0) m_anchor = f;
  std::vector<int> changed;
  std::set_symmetric_difference(before.begin(), before.end(), m_selection.begin(), m_selection.end(),
                                std::back_inserter(changed));
  for (int i : {previous, f}) {
    if (i >= 0 && std::find(changed.begin(), changed.end(), i) == changed.end()) changed.push_back(i);
  }
  return changed;
}

CThumbnailGrid::KeyResult CThumbnailGrid::KeyDown(GridKey key, bool shift, bool ctrl, CThumbnailSource* source) {
  KeyResult result;
  result.handled = true;
  const int c = Columns();
  int focus = m_focus;
  switch (key) {
    case GridKey::kSpace:
      if (m_focus >= 0) {
        result.changed = MoveFocus(m_focus, true, false);
        result.selectionChanged = true;
      }
      return result;
    case GridKey::kDelete:
      return DeleteSelection(source);
    case GridKey::kSelectAll:
      // One item at most in single-selection mode: Ctrl+A does nothing there.
      if (!m_multiple) return result;
      for (int i = 0; i < m_count; ++i) m_selection.insert(i);
      result.redrawAll = true;
      result.selectionChanged = true;
      return result;
    case GridKey::kPageUp: focus -= (m_client.height / m_cell.height) * c; break;
    case GridKey::kPageDown: focus += (m_client.height / m_cell.height) * c; break;
    case GridKey::kEnd: focus = m_count - 1; break;
    case GridKey::kHome: focus = 0; break;
    case GridKey::kLeft: focus -= 1; break;
    case GridKey::kRight: focus += 1; break;
    case GridKey::kUp: focus -= c; break;
    case GridKey::kDown: focus += c; break;
  }
  if (m_count <= 0) return result;
  focus = std::clamp(focus, 0, m_count - 1);
  if (focus == m_focus) return result;
  result.changed = MoveFocus(focus, false, shift);
  result.scroll = true;
  result.selectionChanged = true;
  (void)ctrl;
  return result;
}

CThumbnailGrid::KeyResult CThumbnailGrid::DeleteSelection(CThumbnailSource* source) {
  KeyResult result;
  result.handled = true;
  if (m_selection.empty() || source == nullptr || !source->CanReorder()) return result;
  std::vector<int> removed(m_selection.begin(), m_selection.end());
  const int first = removed.front();
  source->MoveItems(removed, -1);
  SetCount(source->Count());
  m_selection.clear();
  m_focus = m_anchor = -1;
  if (m_count > 0) {
    // The item that moved up into the first gap, or the new last one.
    const int next = std::min(first, m_count - 1);
    m_selection.insert(next);
    m_focus = m_anchor = next;
  }
  result.redrawAll = true;
  result.scroll = m_focus >= 0;
  result.selectionChanged = true;
  return result;
}

bool CThumbnailGrid::DropSelection(int target, CThumbnailSource& source) {
  if (m_selection.empty() || !source.CanReorder()) return false;
  std::vector<int> moving(m_selection.begin(), m_selection.end());
  // A drop onto the selection's own place (inside or at either edge of an
  // unbroken run) changes nothing.
  const bool contiguous = moving.back() - moving.front() + 1 == static_cast<int>(moving.size());
  if (contiguous && target >= moving.front() && target <= moving.back() + 1) return false;
  source.MoveItems(moving, target);
  m_selection = std::set<int>(moving.begin(), moving.end());
  if (!moving.empty()) m_focus = m_anchor = moving.front();
  return true;
}

}  // namespace ui
