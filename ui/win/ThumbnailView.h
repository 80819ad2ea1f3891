#pragma once
// CThumbnailView: the scrolling grid of thumbnails over a thumbnail source.
//
// What is where, the selection and the keys live in the portable grid
// (ui/ThumbnailGrid.h); when the tooltip shows in the hover timing
// (ui/HoverTip.h); the wheel's steps in ui/SmoothWheel.h.  This window
// turns messages into calls on them, paints the visible cells (the rounded
// background drawn once per state, the thumbnail or, until it is made, the
// file's icon), runs the drag loop and tells its parent about selection
// changes and double-clicks.  The thumbnail popup derives from it and ends
// itself on some keys and clicks.

#include <memory>

#include "image/ImageBuffer.h"
#include "ui/HoverTip.h"
#include "ui/RoundedRect.h"
#include "ui/ThumbnailGrid.h"
#include "ui/ThumbnailSource.h"
#include "ui/win/MarkupTooltip.h"
#include "ui/win/Window.h"

namespace ui::win {

class CThumbnailView : public CWindow {
 public:
  CThumbnailView();
  ~CThumbnailView() override;

  bool Create(HWND parent, int id, const Rect& rect);
  // Shows `source` (not owned; null for none) and lays the grid out.
  void SetSource(CThumbnailSource* source);
  CThumbnailSource* Source() const { return m_source; }
  // Adds i to the selection and makes it the focus (ignored out of range).
  void Select(int i);
  void SetMultipleSelection(bool multiple) { m_grid.SetMultipleSelection(multiple); }
  // Scrolls so that the focus cell is whole in view.
  void EnsureFocusVisible();
  // Lays the grid out for the client size (scroll bar included).
  void Layout();
  // Lays out for a client of `size` without a window size change: the
  // popup sizes itself from this.
  GridLayout LayoutFor(Size client) const;
  const CThumbnailGrid& Grid() const { return m_grid; }
  // The tooltip text shown now ("" when none), for tests.
  std::string ShownTooltip() const { return m_tooltip.Visible() ? m_tooltip.Text() : std::string(); }

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

  // The popup's hooks: true when the event was taken.
  virtual bool OnKey(UINT key) {
    (void)key;
    return false;
  }
  // A left-button release outside any thumbnail.
  virtual void OnEmptyClick() {}
  // After the grid's own double-click handling.
  virtual void OnItemDoubleClick(int item) { (void)item; }
  virtual void OnFocusLost(HWND next) { (void)next; }

  void NotifySelChange();

 private:
  void Paint();
  void DrawCell(HDC dc, int i, const Rect& cell, bool focused);
  CImageBuffer& Background(bool selected);
  void ScrollTo(int y);
  void UpdateScrollBar();
  void InvalidateItems(const std::vector<int>& items);
  void InvalidateItem(int i);
  void UpdateHover();
  void ApplyHover(const HoverActions& actions);
  bool TipActive(POINT screen) const;
  void OnLeftButtonDown(Point at, bool ctrl);
  // Runs the drag loop; answers whether a drag took place and where it
  // would drop (-1: cancelled).
  bool DragLoop(Point press, int* target);
  void SetMarker(const InsertionPoint& marker);
  Rect MarkerRect(const InsertionPoint& marker) const;
  void OnKeyDown(UINT key);
  bool OnWheel(int delta);

  CThumbnailSource* m_source = nullptr;
  CThumbnailGrid m_grid;
  CHoverTip m_hover;
  CMarkupTooltip m_tooltip;
  CImageBuffer m_backgrounds[2];
  Size m_backgroundSize;
  bool m_dragging = false;
  bool m_trackingLeave = false;
  InsertionPoint m_marker;
  Rgb m_window{255, 255, 255};
  Rgb m_background{255, 255, 255};
  Rgb m_selection{200, 218, 255};
};

}  // namespace ui::win
