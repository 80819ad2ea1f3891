#include "ui/PopupPlacement.h"

#include <algorithm>

namespace ui {

Size PopupClientSize(int count, Size cell, int scrollBarWidth) {
  const int n = std::max(0, count);
  const int columns = std::clamp(n, 1, 4);
  const int rows = std::clamp((n + 3) / 4, 1, 4);
  int width = columns * cell.width + 2;
  if (rows * columns < n) width += scrollBarWidth;
  return {width, rows * cell.height + 2};
}

Size AddFolderBar(Size frame, Size bar) { return {std::max(frame.width, bar.width), frame.height + bar.height}; }

Rect PlacePopup(const Rect& anchor, Size frame, const Rect& work) {
  int left = 0, top = 0;
  if (anchor.bottom + frame.height <= work.bottom) {
    // Below the anchor, moved left as far as the right edge needs.
    left = std::min(anchor.left, work.right - frame.width);
    top = anchor.bottom;
  } else {
    // Beside it, on the work area's bottom: right of the anchor, else left
    // of it, else against the right edge.
    top = work.bottom - frame.height;
    left = anchor.right;
    if (left + frame.width > work.right) {
      left = anchor.left - frame.width >= work.left ? anchor.left - frame.width : work.right - frame.width;
    }
  }
  // A frame larger than the work area keeps its top-left corner inside.
  left = std::max(left, work.left);
  top = std::max(top, work.top);
  return {left, top, left + frame.width, top + frame.height};
}

}  // namespace ui
