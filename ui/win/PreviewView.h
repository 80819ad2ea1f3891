#pragma once
// The preview: the image the dialog shows (the last result, or the
// original), zoomed and scrolled, with the zoom and pan tools.  What it
// shows and where comes from the portable zoom model and preview scaler;
// this window turns messages into calls on them, keeps the scroll bars in
// step and paints the scaler's picture through one off-screen bitmap.

#include <functional>

#include "image/ImageBuffer.h"
#include "ui/ZoomModel.h"
#include "ui/win/Window.h"

namespace ui::win {

// Told of every zoom change, with the new and the previous factor.
class IZoomListener {
 public:
  virtual ~IZoomListener() = default;
  virtual void OnZoomChanged(double zoom, double previous) = 0;
};

class CToolView : public CWindow {
 public:
  // `image` and `mask` are the exchange's buffers: their contents change
  // (a new result), the objects stay.
  CToolView(const CImageBuffer* image, const CImageBuffer* mask, IZoomListener* listener);

  bool Create(HWND parent, int id, const Rect& rect);
  // Takes the image's size again (after a new result or a display switch)
  // and repaints.
  void ImageChanged();
  // Fits the whole image into the view.
  void ZoomToFit();

  // Tool-bar and accelerator commands; false for commands it does not take.
  bool OnCommand(int id);
  int CurrentTool() const { return m_tool; }
  const CZoomModel& Model() const { return m_model; }

  // What a double-click asks for (an immediate run), and who hears about a
  // new tool (the control pane's hint).
  std::function<void()> onRunRequest;
  std::function<void(int tool)> onToolChanged;

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void SetZoom(double factor, const Point* anchor);
  void Step(bool in, const Point* anchor);
  void UpdateScrollBars();
  void ScrollBy(int bar, int request, int thumb);
  void Paint();
  void PanLoop(Point start);
  void ClientSizeChanged();

  const CImageBuffer* m_image;
  const CImageBuffer* m_mask;
  IZoomListener* m_listener;
  CZoomModel m_model;
  int m_tool = 0;
  HCURSOR m_zoomCursor = nullptr;
  HCURSOR m_panCursor = nullptr;
  bool m_updatingBars = false;
};

}  // namespace ui::win
