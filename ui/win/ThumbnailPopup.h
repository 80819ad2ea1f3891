#pragma once
// CThumbnailPopup: the template browser's window.  A resizable tool window
// owned by the control pane, holding the folder bar on top and the
// thumbnail grid below it, placed below (or beside) the pane's button and
// inside the work area.
//
// It ends in one of these ways, each once: Enter or Space, a click on an
// empty part of the grid, or a double-click on a thumbnail post
// "TVM_ENDPOPUP" (the grid and the focus index) to the owner; Escape, the
// close box and losing the focus (unless the pointer is over the folder
// bar, whose buttons open a folder dialog) end it without a choice.
// Closing stops the thumbnail worker, gives the bar back, tells the owner
// with "TVM_POPUPDESTROYING" and destroys the window; the object deletes
// itself with it.

#include <optional>
#include <string>

#include "ui/win/FolderBar.h"
#include "ui/win/ThumbnailView.h"

namespace ui::win {

class CThumbnailPopup : public CWindow {
 public:
  struct Options {
    std::string caption;
    HWND owner = nullptr;
    CThumbnailSource* source = nullptr;
    int viewId = 888;
    Rect anchor;             // screen rectangle the popup opens at
    Rect fixed;              // when not empty, the frame's rectangle
    bool show = false;
    CFolderBar* folderBar = nullptr;  // may be null
  };

  // Null when the window cannot be made.  The object lives until its
  // window is destroyed.
  static CThumbnailPopup* Create(const Options& options);

  // Shows the frame, the grid and the bar, and gives the grid the focus.
  void Show();
  CThumbnailView& View() { return m_view; }
  // Ends without a choice (as Escape does).
  void Close();
  // Ends with item `index` chosen.
  void EndWithChoice(int index);
  bool Closed() const { return m_closed; }

  // The position the last popup closed at is where the next one opens
  // (the pane asks for this after a folder command).
  static void ReopenAtLastPosition();

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void OnDestroyed() override;

 private:
  class CGrid : public CThumbnailView {
   public:
    explicit CGrid(CThumbnailPopup& popup) : m_popup(popup) {}

   protected:
    bool OnKey(UINT key) override;
    void OnEmptyClick() override;
    void OnItemDoubleClick(int item) override;

   private:
    CThumbnailPopup& m_popup;
  };

  explicit CThumbnailPopup(const Options& options);
  bool Build();
  void ArrangeChildren(int width, int height);
  bool PointerOverBar() const;
  // The closing steps, once: position, bar, worker, grid, the owner told.
  void Finish();

  Options m_options;
  CGrid m_view{*this};
  HWND m_barParent = nullptr;
  bool m_hasBar = false;  // the bar has moved into the frame
  int m_barHeight = 0;
  bool m_closed = false;

  static std::optional<POINT> s_lastPosition;
  static std::optional<POINT> s_reopenPosition;
};

}  // namespace ui::win
