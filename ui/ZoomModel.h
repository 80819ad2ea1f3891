#pragma once
// The preview's zoom and scroll arithmetic: the table of 21 zoom steps, the
// fit factor, the centring of an image smaller than the view, conversions
// between client and image pixels, and zooming about an anchor point.
//
// The view window only reports its client size, the mouse and the commands
// here and scrolls and paints what this model says, so every rule of zooming
// and scrolling is tested without a window.

#include "ui/Geometry.h"

namespace ui {

class CZoomModel {
 public:
  static constexpr int kStepCount = 21;
  static constexpr int kStartStep = 10;  // factor 1
  // The factor of a table step, 1/10 ... 10.
  static double StepFactor(int index);

  // The image and client sizes; changing them keeps the zoom and clamps the
  // scroll position.
  void SetImageSize(Size size);
  void SetClientSize(Size size);
  Size ImageSize() const { return m_image; }
  Size ClientSize() const { return m_client; }
  bool HasImage() const { return m_image.width > 0 && m_image.height > 0; }

  double Zoom() const { return m_zoom; }
  int StepIndex() const { return m_step; }

  // The factor at which the whole image fits the client area (it may be
  // above 1); 1 when there is no image or no client area.
  double FitZoom() const;
  // Where the zoomed image starts in the client area: centred when smaller.
  Point CentreOffset() const;
  // The zoomed image's size as the scroll bars take it (each side rounded
  // to the nearest whole pixel through a single-precision value).
  Size ScrollSize() const;
  // The largest scroll position: the zoomed size beyond the client area.
  Point ScrollLimit() const;
  Point Scroll() const { return m_scroll; }
  // Scrolls, clamped to 0 .. ScrollLimit().
  void ScrollTo(Point position);

  Point ClientToImage(Point client) const;
  Point ImageToClient(Point image) const;

  // Sets the zoom; with an anchor (a client point) the image point under it
  // moves to the middle of the view where the image is larger than the view.
  // Answers the previous zoom.
  double SetZoom(double factor, const Point* anchor = nullptr);
  // One step of the table in the asked direction: to the nearest table
  // factor above (below) the current zoom, which after a fit need not be a
  // table factor.  False, with nothing changed, at the end of the table.
  bool StepIn(const Point* anchor = nullptr);
  bool StepOut(const Point* anchor = nullptr);

 private:
  Point CentreOffsetAt(double zoom) const;

  Size m_image;
  Size m_client;
  double m_zoom = 1.0;
  int m_step = kStartStep;
  Point m_scroll;
};

}  // namespace ui
