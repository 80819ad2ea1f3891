#pragma once
// The main dialog's resizing rules: every control keeps the rectangle it had
// at the reference size, moved with the right or bottom edge and stretched as
// the anchor table says, and the window never becomes smaller than it opened.

#include <map>
#include <vector>

#include "ui/Geometry.h"

namespace ui {

// How one control follows a change of the client size by (dw, dh): its
// rectangle moves by (dx × dw, dy × dh) and its right and bottom edges by
// (gx × dw, gy × dh) further.  Each factor is 0 or 1.
struct Anchor {
  int id;
  int dx, dy, gx, gy;
};

// The main dialog's table: the preview stretches, the zoom text and the
// progress bar follow the bottom edge, the hint follows the bottom edge and
// stretches, the buttons, the preset row and the pane follow the right edge.
const std::vector<Anchor>& MainDialogAnchors();

class CDialogLayout {
 public:
  explicit CDialogLayout(std::vector<Anchor> anchors) : m_anchors(std::move(anchors)) {}

  // The client size at which the rectangles were taken, and the controls'
  // rectangles then (client coordinates).  Controls without a rectangle are
  // left out of the layout.
  void TakeReference(Size client, const std::map<int, Rect>& rectangles);
  Size Reference() const { return m_reference; }

  // Where each control goes at the given client size.
  std::map<int, Rect> Arrange(Size client) const;

  // The smallest window the user may size to: the larger of the reference
  // and the size the window opened at, per axis.
  static Size MinimumTrackSize(Size reference, Size opened);

 private:
  std::vector<Anchor> m_anchors;
  Size m_reference;
  std::map<int, Rect> m_rectangles;
};

}  // namespace ui
