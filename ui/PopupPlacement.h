#pragma once
// Where the thumbnail popup opens and how large.
//
// The popup shows at most 4 x 4 cells (at least one, even for an empty
// folder), with room for the vertical scroll bar when not every item fits.
// It opens below its anchor (the pane's button), or, when there is no room
// below, beside it with its bottom on the work area's bottom, and never
// leaves the work area.

#include "ui/Geometry.h"

namespace ui {

// The grid's client size for `count` items: up to 4 columns and 4 rows of
// cells, plus a 2-pixel border, plus the scroll bar when items are hidden.
Size PopupClientSize(int count, Size cell, int scrollBarWidth);

// The frame with the folder bar on top: as wide as the bar at least, and
// the bar's height taller.
Size AddFolderBar(Size frame, Size bar);

// The frame's screen rectangle of size `frame` for the anchor rectangle.
Rect PlacePopup(const Rect& anchor, Size frame, const Rect& workArea);

}  // namespace ui
