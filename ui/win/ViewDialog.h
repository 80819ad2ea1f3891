#pragma once
// The first layer of the main dialog: a dialog with a preview view, its
// vertical tool bar, the accelerators and the zoom shown in the caption.
//
// Messages are routed as the preview needs them: the wheel goes to the view
// under the pointer whatever has the focus, "+" and "-" zoom (except while
// an edit control has the focus, so a minus can be typed), and commands are
// offered to the view before the dialog.

#include <memory>
#include <string>

#include "ui/win/ModalDialog.h"
#include "ui/win/PreviewView.h"

namespace ui::win {

class CViewDlg : public CModalDialog, public IZoomListener {
 public:
  CViewDlg(int templateId, int acceleratorsId, int titleId);
  ~CViewDlg() override;

  // The images the view shows (the exchange's result and selection).
  void SetImageSource(const CImageBuffer* image, const CImageBuffer* mask) {
    m_image = image;
    m_mask = mask;
  }
  CToolView* View() const { return m_view.get(); }

  // Caption " [p%]" after the title.
  void OnZoomChanged(double zoom, double previous) override;

 protected:
  bool OnInitDialog() override;
  bool PreTranslateMessage(MSG& message) override;
  void OnIdle() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  // A command (WM_COMMAND, from a control, the tool bar or an accelerator);
  // the view has had its chance first.
  virtual bool OnDialogCommand(int id, int code, HWND control);

  const std::string& Title() const { return m_title; }
  HWND ToolBar() const { return m_toolBar; }
  // The view's place in the template, for the layout.
  int ViewRightGap() const { return m_viewRightGap; }
  int ViewBottomGap() const { return m_viewBottomGap; }

 private:
  bool CreateView();
  bool CreateToolBar();

  std::string m_title;
  int m_acceleratorsId;
  HACCEL m_accelerators = nullptr;
  HICON m_smallIcon = nullptr;
  HICON m_largeIcon = nullptr;
  HWND m_toolBar = nullptr;
  const CImageBuffer* m_image = nullptr;
  const CImageBuffer* m_mask = nullptr;
  std::unique_ptr<CToolView> m_view;
  int m_viewRightGap = 0;
  int m_viewBottomGap = 0;
};

}  // namespace ui::win
